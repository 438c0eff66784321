# Shared build settings and helpers for every area of the tree.

# An area is added when its folder has a CMakeLists.txt, so each part of the
# tree owns its own build file.
function(tg_add_area dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# Adds every direct subfolder of the current folder that has a CMakeLists.txt.
function(tg_add_subareas)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Takes the benchmark executables (targets named *_bench) of a folder and its
# subfolders out of `all`; they stay buildable by name.
function(tg_exclude_benchmarks_from_all dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    if(target MATCHES "_bench$")
      set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    tg_exclude_benchmarks_from_all(${subdir})
  endforeach()
endfunction()

# ccache, where the machine has it, so rebuilds of several checkouts share
# their objects.
find_program(TG_CCACHE ccache)
if(TG_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${TG_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${TG_CCACHE})
endif()

# Warnings and text encoding for every target of the project.
add_compile_options(-Wall -Wextra -Wshadow -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Sources are UTF-8; the program's texts are code page 936 bytes.
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=GBK)
endif()

if(WIN32)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX STRICT)
  # The C++ runtime goes into every binary so they run on a bare Windows or wine.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Where the plug-in and its files are put together for walkhost.
set(TG_PLUGINS_DIR ${CMAKE_BINARY_DIR}/bin/plugins)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# GoogleTest: the system package natively, the distribution's sources for Windows.
if(NOT TG_FUZZ)
  if(WIN32)
    set(TG_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${TG_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()

set(TG_TEST_OPTIMIZATION -O1 CACHE STRING "Optimisation of the test executables' own sources")

# tg_add_test(NAME SOURCES a.cpp b.cpp LIBS x y [GUI])
# One executable is one test: under wine a process start costs seconds, so a
# Windows test executable runs all its cases in one start. GUI makes a
# Windows subsystem executable that still has gtest's console output.
function(tg_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gtest)
  # The test code itself needs no full optimisation (the product libraries it
  # links keep theirs); the headers it parses stay most of its compile time.
  target_compile_options(${name} PRIVATE ${TG_TEST_OPTIMIZATION})
  set_target_properties(${name} PROPERTIES UNITY_BUILD OFF)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=0)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# The product version in one generated header, for tgv and the version resource.
set(TG_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/TintgroveVersion.h.in ${TG_GENERATED_DIR}/TintgroveVersion.h @ONLY)
