# norvaleo_manual_page(<program target>): the program's own --help turned into
# its manual page at build time (help2man, with <target>.h2m beside the
# sources), compressed and installed. The locale lets help2man pass the
# Russian text through.
function(norvaleo_manual_page target)
    find_program(HELP2MAN_PROGRAM help2man)
    if(NOT HELP2MAN_PROGRAM)
        message(WARNING "help2man not found (scripts/install-deps installs it): no manual page for ${target}")
        return()
    endif()
    set(manual ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
    add_custom_command(
        OUTPUT ${manual}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --locale C.UTF-8
                --include ${CMAKE_CURRENT_SOURCE_DIR}/${target}.h2m
                --section 1 --output ${manual} $<TARGET_FILE:${target}>
        DEPENDS ${target} ${target}.h2m
        COMMENT "Manual page of ${target}"
        VERBATIM)
    norvaleo_gzip(${manual})
    add_custom_target(${target}-manual ALL DEPENDS ${manual}.gz)
    install(FILES ${manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
