# Build helpers shared by the module, tool, test and benchmark directories.

# vefinder_module(<name> <source>...): a static, position-independent module
# library built from the listed sources of the calling directory (one folder,
# one target); linked whole into libvefinder and directly into tests and tools.
function(vefinder_module name)
    add_library(${name} STATIC ${ARGN})
    target_link_libraries(${name} PUBLIC vefinder_settings Qt5::Core)
endfunction()

# vefinder_lay_out_data(<target> [LEXICONS <set>|NONE] [NO_FRISO] [REPLACE <file>])
# Lays out dict/ beside the target's binary, as the library expects it under
# the application directory, and refreshes it whenever its sources change:
#   dict/MATLEX/  the compiled lexicons of <set> (default: sample)
#   dict/UTF-8/   friso's dictionary (symlinked) and word-replace.txt
# The target's RUNTIME_OUTPUT_DIRECTORY (or CMAKE_RUNTIME_OUTPUT_DIRECTORY) must
# be set before the call.
function(vefinder_lay_out_data target)
    cmake_parse_arguments(ARG "NO_FRISO" "LEXICONS;REPLACE" "" ${ARGN})
    if(NOT ARG_LEXICONS)
        set(ARG_LEXICONS sample)
    endif()
    if(NOT ARG_REPLACE)
        set(ARG_REPLACE ${PROJECT_SOURCE_DIR}/data/word-replace.txt)
    endif()
    get_target_property(bindir ${target} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT bindir)
        set(bindir ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    set(depends ${PROJECT_SOURCE_DIR}/cmake/LayOutDict.cmake)
    set(lexdir "")
    if(NOT ARG_LEXICONS STREQUAL "NONE")
        set(lexdir ${PROJECT_BINARY_DIR}/lexicons/${ARG_LEXICONS})
        list(APPEND depends ${lexdir}/lexicons.stamp)
    endif()
    set(friso ${FRISO_DICT_DIR})
    if(ARG_NO_FRISO)
        set(friso "")
    elseif(EXISTS ${ARG_REPLACE})
        list(APPEND depends ${ARG_REPLACE})
    endif()
    set(stamp ${bindir}/dict/.${target}.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DDEST=${bindir}/dict
                -DLEXDIR=${lexdir} -DFRISO=${friso} -DREPLACE=${ARG_REPLACE}
                -P ${PROJECT_SOURCE_DIR}/cmake/LayOutDict.cmake
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${depends}
        COMMENT "Laying out dict/ for ${target}"
        VERBATIM)
    add_custom_target(${target}_dict DEPENDS ${stamp})
    if(NOT ARG_LEXICONS STREQUAL "NONE")
        add_dependencies(${target}_dict vefinder_lexicons_${ARG_LEXICONS})
    endif()
    add_dependencies(${target} ${target}_dict)
endfunction()

# vefinder_add_test(<name> SOURCES ... [LIBS ...] [LEXICONS <set>|NONE] [NO_DATA]
#                   [NO_FRISO] [REPLACE <file>] [TIMEOUT <s>])
# A Qt Test executable in a directory of its own (its application directory, so
# each test can hold its own lexicon set), registered with CTest.
function(vefinder_add_test name)
    cmake_parse_arguments(ARG "NO_DATA;NO_FRISO" "LEXICONS;REPLACE;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test vefinder_testsupport ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/testbin/${name})
    if(NOT ARG_NO_DATA)
        set(extra "")
        if(ARG_NO_FRISO)
            list(APPEND extra NO_FRISO)
        endif()
        if(ARG_REPLACE)
            list(APPEND extra REPLACE ${ARG_REPLACE})
        endif()
        if(NOT ARG_LEXICONS)
            set(ARG_LEXICONS sample)
        endif()
        vefinder_lay_out_data(${name} LEXICONS ${ARG_LEXICONS} ${extra})
    endif()
    add_test(NAME ${name} COMMAND ${name}
             WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/testbin/${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# vefinder_compile_lexicons(<set> <source dir>): compiles the plain-text
# lexicon sources of <source dir> (synonyms.txt, matset.txt, smartmatch.txt,
# coreword.txt, cablecoreword.txt, encore.txt; missing ones are skipped) with
# vefinder-lex into ${PROJECT_BINARY_DIR}/lexicons/<set>/, as target
# vefinder_lexicons_<set>.
function(vefinder_compile_lexicons set srcdir)
    set(outdir ${PROJECT_BINARY_DIR}/lexicons/${set})
    set(outputs "")
    foreach(kind synonyms matset smartmatch coreword cablecoreword encore)
        set(src ${srcdir}/${kind}.txt)
        if(EXISTS ${src})
            set(out ${outdir}/lex-${kind}.lex)
            add_custom_command(OUTPUT ${out}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
                COMMAND vefinder-lex compile ${kind} ${src} ${out}
                DEPENDS vefinder-lex ${src}
                COMMENT "Compiling lexicon ${set}/${kind}"
                VERBATIM)
            list(APPEND outputs ${out})
        endif()
    endforeach()
    # One stamp for the whole set: what the dict/ lay-outs of its users depend on.
    set(stamp ${outdir}/lexicons.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${outputs}
        VERBATIM)
    add_custom_target(vefinder_lexicons_${set} ALL DEPENDS ${stamp})
endfunction()
