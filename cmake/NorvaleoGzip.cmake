# norvaleo_gzip(<file in the build tree>): makes <file>.gz beside it as Debian
# wants manual pages and changelogs, compressed at the highest level and
# without a time stamp, so that the same sources give the same package.
function(norvaleo_gzip file)
    find_program(GZIP_EXECUTABLE gzip REQUIRED)
    add_custom_command(OUTPUT ${file}.gz
                       COMMAND ${GZIP_EXECUTABLE} -9nkf ${file}
                       DEPENDS ${file}
                       VERBATIM)
endfunction()
