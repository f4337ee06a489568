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
    DESTINATION ${VEFINDER_INCLUDE_ROOT}/analysis COMPONENT devel)
install(FILES segment/WordSegment segment/wordsegment.h
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
