# Installation: the library, its headers under include/vefinder, a CMake
# package (find_package(VeFinder CONFIG), target VeFinder::vefinder) and a
# pkg-config file.
set(VEFINDER_INCLUDE_ROOT ${CMAKE_INSTALL_INCLUDEDIR}/vefinder)
set(VEFINDER_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VeFinder)

install(TARGETS vefinder EXPORT VeFinderTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT devel
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

install(FILES ${PROJECT_BINARY_DIR}/include/vefinder_export.h
    DESTINATION ${VEFINDER_INCLUDE_ROOT} COMPONENT devel)
install(FILES engine/VeFinder engine/vefinder.h engine/endocfindtype.h engine/vedocinfo.h
              engine/vecableattribute.h engine/vesearchobserver.h engine/searchtext.h
    DESTINATION ${VEFINDER_INCLUDE_ROOT}/engine COMPONENT devel)
install(FILES lexicon/SearchUtil lexicon/searchutil.h lexicon/matsetentry.h
    DESTINATION ${VEFINDER_INCLUDE_ROOT}/lexicon COMPONENT devel)
install(FILES analysis/textbrackets.h analysis/charclass.h analysis/cablenotation.h
              analysis/endocfindtype.h analysis/vecableattribute.h
    DESTINATION ${VEFINDER_INCLUDE_ROOT}/analysis COMPONENT devel)
install(FILES segment/WordSegment segment/wordsegment.h segment/datadir.h
    DESTINATION ${VEFINDER_INCLUDE_ROOT}/segment COMPONENT devel)

install(EXPORT VeFinderTargets NAMESPACE VeFinder:: FILE VeFinderTargets.cmake
    DESTINATION ${VEFINDER_CMAKE_DIR} COMPONENT devel)
configure_package_config_file(cmake/VeFinderConfig.cmake.in
    ${PROJECT_BINARY_DIR}/VeFinderConfig.cmake INSTALL_DESTINATION ${VEFINDER_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeFinderConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VeFinderConfig.cmake ${PROJECT_BINARY_DIR}/VeFinderConfigVersion.cmake
    DESTINATION ${VEFINDER_CMAKE_DIR} COMPONENT devel)

# The pkg-config file finds its prefix relative to itself, so an install with
# "cmake --install --prefix" elsewhere stays usable.
file(RELATIVE_PATH VEFINDER_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" VEFINDER_PC_TO_PREFIX "${VEFINDER_PC_TO_PREFIX}")
configure_file(cmake/vefinder.pc.in ${PROJECT_BINARY_DIR}/vefinder.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vefinder.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT devel)

# The command-line tools look up their data from their own directory, like
# every program using the library, so they are installed together with a
# dict/ layout into libexec/vefinder/, and small launchers go on PATH:
#   libexec/vefinder/{vefinder,vefinder-index,vefinder-lex}
#   libexec/vefinder/dict/MATLEX/   the compiled sample lexicons
#   libexec/vefinder/dict/UTF-8/    word-replace.txt and links to friso's dictionary
#   bin/{vefinder,vefinder-index,vefinder-lex}   launchers
#   share/vefinder/                 lexicon sources and the sample catalogue
if(VEFINDER_BUILD_TOOLS)
    set(VEFINDER_TOOL_DIR ${CMAKE_INSTALL_LIBEXECDIR}/vefinder)
    install(TARGETS vefinder-cli vefinder-index vefinder-lex
        RUNTIME DESTINATION ${VEFINDER_TOOL_DIR} COMPONENT tools)
    install(DIRECTORY ${PROJECT_BINARY_DIR}/lexicons/sample/
        DESTINATION ${VEFINDER_TOOL_DIR}/dict/MATLEX COMPONENT tools FILES_MATCHING PATTERN "*.lex")
    install(FILES data/word-replace.txt DESTINATION ${VEFINDER_TOOL_DIR}/dict/UTF-8 COMPONENT tools)
    install(CODE "
        set(dictdir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VEFINDER_TOOL_DIR}/dict/UTF-8\")
        file(GLOB frisofiles \"${FRISO_DICT_DIR}/*\")
        foreach(f IN LISTS frisofiles)
            get_filename_component(n \${f} NAME)
            message(STATUS \"Linking: \${dictdir}/\${n}\")
            file(CREATE_LINK \${f} \${dictdir}/\${n} SYMBOLIC)
        endforeach()" COMPONENT tools)

    file(RELATIVE_PATH launcher_to_tools /root/${CMAKE_INSTALL_BINDIR} /root/${VEFINDER_TOOL_DIR})
    set(launcher_to_tools ${launcher_to_tools})
    foreach(tool vefinder vefinder-index vefinder-lex)
        set(VEFINDER_LAUNCHED_TOOL ${tool})
        configure_file(${PROJECT_SOURCE_DIR}/cmake/launcher.sh.in
            ${PROJECT_BINARY_DIR}/launchers/${tool} @ONLY)
        install(PROGRAMS ${PROJECT_BINARY_DIR}/launchers/${tool}
            DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
    endforeach()

    install(DIRECTORY data/lexicon DESTINATION ${CMAKE_INSTALL_DATADIR}/vefinder COMPONENT tools)
    install(FILES data/catalogue.csv data/bill.csv data/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vefinder/sample COMPONENT tools)
endif()
