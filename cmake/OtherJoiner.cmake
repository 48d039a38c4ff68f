# Every set carries the joiners of both systems, so each build also builds
# the other system's joiner: the Linux build cross-builds PortelanConcat.exe
# with MinGW-w64, the Windows build builds portelanconcat with the build
# machine's compiler (as it builds resgen). Each is a build of its own of
# this source tree, reduced to the joiner, with the same settings as the
# other system's own preset, so that both make the same bytes.
#
# Sets:
#   PORTELAN_OTHER_JOINER_FILE    the built joiner (empty when left out)
#   PORTELAN_OTHER_JOINER_TARGET  the target that builds it
option(PORTELAN_OTHER_JOINER "Build the other system's joiner too and carry it in every set" ON)
set(PORTELAN_OTHER_JOINER_FILE "")
if(NOT PORTELAN_OTHER_JOINER OR PORTELAN_JOINER_ONLY)
  return()
endif()

include(ExternalProject)
set(dir ${CMAKE_BINARY_DIR}/other-joiner)
if(WIN32)
  set(args -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  set(target portelanconcat)
  set(PORTELAN_OTHER_JOINER_FILE ${dir}/bin/portelanconcat)
else()
  set(args -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake)
  set(target PortelanConcat)
  set(PORTELAN_OTHER_JOINER_FILE ${dir}/bin/PortelanConcat.exe)
endif()
ExternalProject_Add(other_joiner
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${dir}
  CMAKE_ARGS ${args} -DPORTELAN_JOINER_ONLY=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${dir} --target ${target}
  INSTALL_COMMAND ""
  # The sub-build knows its own sources; asking it each time is cheap.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${PORTELAN_OTHER_JOINER_FILE})
set(PORTELAN_OTHER_JOINER_TARGET other_joiner)
