# SPDX-License-Identifier: GPL-3.0-or-later
# One static library per source folder; files are picked up by glob so that a new
# .cpp in a folder needs no edit here.
function(pelmar_module name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(target pelmar_${name})
  if(sources MATCHES "\\.cpp")
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARGN})
  else()
    add_library(${target} INTERFACE ${sources})
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()
