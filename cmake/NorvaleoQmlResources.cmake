# norvaleo_add_qml_resources(<target> <qrc files...>)
# An OBJECT library serving the resource files under "qrc:/", so that whatever
# links it gets the resource initialisers even though no code refers to them
# (from a static archive the linker would drop them). With Qt 5 the QML files
# are compiled ahead of time when the Qt Quick compiler is installed; Qt 6
# compiles them ahead of time only inside a QML module, which these files are
# not, so there they are compiled when first loaded.
function(norvaleo_add_qml_resources target)
    if(NORVALEO_QT_MAJOR STREQUAL "5")
        find_package(Qt5QuickCompiler QUIET)
    endif()
    if(Qt5QuickCompiler_FOUND)
        qtquick_compiler_add_resources(sources ${ARGN})
    else()
        qt_add_resources(sources ${ARGN})
    endif()
    add_library(${target} OBJECT ${sources})
    target_link_libraries(${target} PUBLIC Qt::Core Qt::Qml)
endfunction()
