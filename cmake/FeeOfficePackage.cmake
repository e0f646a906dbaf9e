# Installs the module for other hosts: the shared libraries FeeOffice::module
# and FeeOffice::qt, their public headers, a CMake package
# (find_package(FeeOffice 0.1 REQUIRED)) and pkg-config files. Component
# "Module" (the program and its desktop files are the unnamed component).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(${CMAKE_CURRENT_LIST_DIR}/FeeOfficePublicHeaders.cmake)

set(FEEOFFICE_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/feeoffice)
set(FEEOFFICE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/FeeOffice)

foreach(header ${FEEOFFICE_PUBLIC_HEADERS} ${FEEOFFICE_QT_PUBLIC_HEADERS})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/src/${header} DESTINATION ${FEEOFFICE_INCLUDE_DIR}/${dir} COMPONENT Module)
endforeach()
install(FILES ${FEEOFFICE_GENERATED_INCLUDE}/FeeOfficeApi.h DESTINATION ${FEEOFFICE_INCLUDE_DIR} COMPONENT Module)

install(TARGETS feeoffice-module EXPORT FeeOfficeTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Module NAMELINK_COMPONENT Module)
install(TARGETS feeoffice-qt EXPORT FeeOfficeQtTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Module NAMELINK_COMPONENT Module)
install(EXPORT FeeOfficeTargets NAMESPACE FeeOffice:: DESTINATION ${FEEOFFICE_CMAKE_DIR} COMPONENT Module)
install(EXPORT FeeOfficeQtTargets NAMESPACE FeeOffice:: DESTINATION ${FEEOFFICE_CMAKE_DIR} COMPONENT Module)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/FeeOfficeConfig.cmake.in
    ${CMAKE_BINARY_DIR}/package/FeeOfficeConfig.cmake INSTALL_DESTINATION ${FEEOFFICE_CMAKE_DIR})
# 0.x: a host built against 0.1 runs on any 0.1.z, never on 0.2 (semantic
# versioning of a 0 major: the minor number is the interface's).
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/FeeOfficeConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/FeeOfficeConfig.cmake ${CMAKE_BINARY_DIR}/package/FeeOfficeConfigVersion.cmake
        DESTINATION ${FEEOFFICE_CMAKE_DIR} COMPONENT Module)

foreach(pc feeoffice feeoffice-qt)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${CMAKE_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/package/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Module)
endforeach()
