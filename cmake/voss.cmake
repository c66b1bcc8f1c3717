# Helpers shared by every folder's CMakeLists.txt.
#
# voss_sources(OUT DIR): the .cpp/.c files under DIR for this platform. Files ending in
#   _win.cpp build only for Windows, files ending in _linux.cpp only for Linux.
# voss_library(NAME SOURCES ... LIBS ...): a static library. On Linux it also defines
#   NAME_asan (address + undefined behaviour) and NAME_tsan (thread) variants, built only
#   when a sanitized test links them.
# voss_test(NAME SOURCES ... LIBS ... [SANITIZE asan tsan] [WINE_ONLY_SERIAL]): a GoogleTest
#   program, registered with ctest in both trees (the win64 one runs under Wine), plus one
#   sanitized copy per entry of SANITIZE on Linux.

set(VOSS_SANITIZERS "")
if(NOT WIN32)
  set(VOSS_SANITIZERS asan tsan)
endif()
set(VOSS_asan_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(VOSS_tsan_FLAGS -fsanitize=thread -fno-omit-frame-pointer)

# Environment for programs run under Wine: the tree's own prefix, quiet, no Mono/Gecko prompts.
set(VOSS_WINE_ENV
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
  "WINEDEBUG=-all"
  "WINEDLLOVERRIDES=mscoree,mshtml="
  "WINEARCH=win64")

function(voss_sources out dir)
  file(GLOB_RECURSE all CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  set(result "")
  foreach(f IN LISTS all)
    if(f MATCHES "_win\\.(cpp|c)$")
      if(WIN32)
        list(APPEND result ${f})
      endif()
    elseif(f MATCHES "_linux\\.(cpp|c)$")
      if(NOT WIN32)
        list(APPEND result ${f})
      endif()
    else()
      list(APPEND result ${f})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Maps a list of link items to their sanitizer variants where one exists.
function(voss_variant_libs out suffix)
  set(result "")
  foreach(lib IN LISTS ARGN)
    if(TARGET ${lib}_${suffix})
      list(APPEND result ${lib}_${suffix})
    else()
      list(APPEND result ${lib})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(voss_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;DEFINITIONS" ${ARGN})
  if(NOT A_SOURCES)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${A_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
  target_compile_definitions(${name} PUBLIC ${A_DEFINITIONS})
  foreach(s IN LISTS VOSS_SANITIZERS)
    voss_variant_libs(libs ${s} ${A_LIBS})
    add_library(${name}_${s} STATIC EXCLUDE_FROM_ALL ${A_SOURCES})
    target_include_directories(${name}_${s} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name}_${s} PUBLIC ${libs})
    target_compile_definitions(${name}_${s} PUBLIC ${A_DEFINITIONS})
    target_compile_options(${name}_${s} PUBLIC ${VOSS_${s}_FLAGS})
    target_link_options(${name}_${s} PUBLIC ${VOSS_${s}_FLAGS})
  endforeach()
endfunction()

function(voss_register_test target label)
  if(WIN32)
    # One ctest entry per program: starting a Wine process per test case would be slow.
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "${VOSS_WINE_ENV}" TIMEOUT 900 LABELS "${label}")
  else()
    include(GoogleTest)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      TEST_PREFIX "${target}."
      PROPERTIES TIMEOUT 600 LABELS "${label}")
  endif()
endfunction()

function(voss_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;SANITIZE;DEFINITIONS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main GTest::gtest)
  target_compile_definitions(${name} PRIVATE ${A_DEFINITIONS})
  voss_register_test(${name} unit)
  foreach(s IN LISTS A_SANITIZE)
    if(NOT s IN_LIST VOSS_SANITIZERS)
      continue()
    endif()
    voss_variant_libs(libs ${s} ${A_LIBS})
    add_executable(${name}_${s} ${A_SOURCES})
    target_include_directories(${name}_${s} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name}_${s} PRIVATE ${libs} GTest::gtest_main GTest::gtest)
    target_compile_definitions(${name}_${s} PRIVATE ${A_DEFINITIONS})
    target_compile_options(${name}_${s} PRIVATE ${VOSS_${s}_FLAGS})
    target_link_options(${name}_${s} PRIVATE ${VOSS_${s}_FLAGS})
    voss_register_test(${name}_${s} ${s})
  endforeach()
endfunction()

# voss_header_library(NAME HEADER): an interface target for a header-only library that a
#   Debian package installs under /usr/include, found by one of its headers ("CLI/CLI.hpp").
#   The Linux tree uses the folder where it is. The cross build must not see the build
#   machine's /usr/include as a whole (its C library and system headers would shadow
#   MinGW's), so there the library's own top folder is linked into a folder of the build
#   tree and only that is put on the include path.
function(voss_header_library name header)
  string(REGEX REPLACE "/.*" "" top ${header})
  set(var VOSS_${name}_INCLUDE_DIR)
  if(WIN32)
    find_path(${var} ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(staged ${CMAKE_BINARY_DIR}/host-headers/${name})
    file(MAKE_DIRECTORY ${staged})
    if(NOT EXISTS ${staged}/${top})
      file(CREATE_LINK ${${var}}/${top} ${staged}/${top} SYMBOLIC)
    endif()
    set(dir ${staged})
  else()
    find_path(${var} ${header} REQUIRED)
    set(dir ${${var}})
  endif()
  add_library(${name} INTERFACE)
  target_include_directories(${name} SYSTEM INTERFACE ${dir})
endfunction()
