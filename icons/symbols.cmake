# The symbols shown in the window: rendered from icons/<drawing>.svg into this
# directory's symbols/ at build time, served as qrc:/icons/<name>.png with its
# @2x and @3x (Qt picks them by the screen's density). Included by the
# directory that builds the resources, so that its resource step depends on
# the pictures. Sets NORVALEO_SYMBOLS_QRC.

# drawing (without .svg) and the size in points it is shown at; a size other
# than the usual 24 is part of the picture's name (favorite-20).
set(NORVALEO_SYMBOLS
    add:24 bulb:24 conroller:24 done:24 favorite:24 favorite:20 favorite-fill:20 left-black:24
    more:24 right-black:24 settings:24 warning:15
    settings/dimming:24 settings/info:24 settings/input:24 settings/load-file:24
    settings/network:24 settings/rs485:24 settings/save-file:24 settings/wifi:24)

set(symbol_dir ${CMAKE_CURRENT_BINARY_DIR}/symbols)
set(drawing_dir ${CMAKE_CURRENT_LIST_DIR})
set(qrc_entries "")
set(NORVALEO_SYMBOL_PICTURES "")
foreach(symbol IN LISTS NORVALEO_SYMBOLS)
    string(REPLACE ":" ";" parts ${symbol})
    list(GET parts 0 drawing)
    list(GET parts 1 size)
    set(name ${drawing})
    if(NOT size EQUAL 24)
        set(name ${drawing}-${size})
    endif()
    set(base ${symbol_dir}/${name})
    set(outputs ${base}.png ${base}@2x.png ${base}@3x.png)
    get_filename_component(out_dir ${base} DIRECTORY)
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
        # The sanitizer build's leak check would fail the build on Qt's
        # process-lifetime allocations.
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:norvaleo_render_icon> ${drawing_dir}/${drawing}.svg
                ${size} ${base}
        DEPENDS norvaleo_render_icon ${drawing_dir}/${drawing}.svg
        COMMENT "Rendering ${name}.png at 1x, 2x and 3x"
        VERBATIM)
    list(APPEND NORVALEO_SYMBOL_PICTURES ${outputs})
    foreach(suffix "" "@2x" "@3x")
        string(APPEND qrc_entries
               "        <file alias=\"${name}${suffix}.png\">${base}${suffix}.png</file>\n")
    endforeach()
endforeach()

# Written at configure time, where Qt's resource step reads it for its
# dependencies, and only when it changes.
set(NORVALEO_SYMBOLS_QRC ${CMAKE_CURRENT_BINARY_DIR}/symbols.qrc)
file(WRITE ${NORVALEO_SYMBOLS_QRC}.new
     "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n    <qresource prefix=\"/icons\">\n${qrc_entries}    </qresource>\n</RCC>\n")
configure_file(${NORVALEO_SYMBOLS_QRC}.new ${NORVALEO_SYMBOLS_QRC} COPYONLY)
