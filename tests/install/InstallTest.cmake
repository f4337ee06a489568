# Run with -DBUILD_DIR -DSOURCE_DIR -DWORK_DIR -DCXX -P: see CMakeLists.txt.
function(run)
    cmake_parse_arguments(ARG "" "EXPECT_OUTPUT" "COMMAND;ENV" ${ARGN})
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ${ARG_ENV} -- ${ARG_COMMAND}
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARG_COMMAND}\n${out}\n${err}")
    endif()
    if(ARG_EXPECT_OUTPUT AND NOT out MATCHES "${ARG_EXPECT_OUTPUT}")
        message(FATAL_ERROR "unexpected output of ${ARG_COMMAND}:\n${out}\nexpected: ${ARG_EXPECT_OUTPUT}")
    endif()
    set(last_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(f include/vefinder/engine/VeFinder include/vefinder/lexicon/SearchUtil
          include/vefinder/segment/WordSegment include/vefinder/vefinder_export.h
          lib/cmake/VeFinder/VeFinderConfig.cmake lib/pkgconfig/vefinder.pc)
    if(NOT EXISTS ${prefix}/${f})
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()
file(GLOB sonames ${prefix}/lib/libvefinder.so.*)
if(NOT sonames)
    message(FATAL_ERROR "no versioned libvefinder.so installed")
endif()

# Each public header compiles on its own, through find_package.
run(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/project -B ${WORK_DIR}/headers
            -DCMAKE_PREFIX_PATH=${prefix})
run(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/headers)
run(COMMAND ${WORK_DIR}/headers/vefinder-header-check EXPECT_OUTPUT "headers ok")

# The example host, through find_package.
run(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/host
            -DCMAKE_PREFIX_PATH=${prefix})
run(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/host)
run(COMMAND ${WORK_DIR}/host/vefinder-host ${WORK_DIR}/no-such-index 电缆
    EXPECT_OUTPUT "vefinder [0-9.]+: 0 groups")

# The installed tools, through their launchers: index the sample, search it.
set(index ${WORK_DIR}/index)
run(COMMAND ${prefix}/bin/vefinder index ${prefix}/share/vefinder/sample/catalogue.csv ${index})
run(COMMAND ${prefix}/bin/vefinder quota 17030103 镀锌钢管 DN25 --index ${index} --json
    EXPECT_OUTPUT "M000340")

# The installed Python module imports from the prefix's site directory and
# finds the installed data (libexec/vefinder/dict) by itself.
if(PYTHON AND NOT IS_ABSOLUTE ${PYTHON_DIR})
    run(COMMAND ${PYTHON} -c "import vefinder\nprint(vefinder.Engine('${index}').quota('17030103', '镀锌钢管', 'DN25'))"
        ENV PYTHONPATH=${prefix}/${PYTHON_DIR} EXPECT_OUTPUT "M000340")
endif()

# The host with the installed data laid out beside it finds real entries.
file(CREATE_LINK ${prefix}/libexec/vefinder/dict ${WORK_DIR}/host/dict SYMBOLIC)
run(COMMAND ${WORK_DIR}/host/vefinder-host ${index} 镀锌钢管 DN25
    EXPECT_OUTPUT "1: [^\n]*M000340")

# The same host through pkg-config.
run(COMMAND pkg-config --cflags --libs vefinder ENV PKG_CONFIG_PATH=${prefix}/lib/pkgconfig)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(COMMAND ${CXX} -std=c++17 -fPIC ${SOURCE_DIR}/examples/host/main.cpp ${flags}
            -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/host-pkgconfig)
run(COMMAND ${WORK_DIR}/host-pkgconfig ${WORK_DIR}/no-such-index 电缆
    EXPECT_OUTPUT "vefinder [0-9.]+: 0 groups")
message(STATUS "installed package works")
