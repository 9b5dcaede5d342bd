# Literals of the system's text are written u8"..."_cp (platform/CpLiteral.h), which gives their
# cp1251 bytes under every compiler, so no build depends on an execution character set.
add_compile_options(-Wall -Wextra)

# AUTOGEN (moc/uic) of an existing build does not notice a source added later through the glob.
# It does re-run when a list file of the directory changes, so the glob's result is written to
# one (only when it changes) and read back.
function(va_autogen_follows_sources name)
  get_target_property(srcs ${name} SOURCES)
  string(REPLACE ";" "\n#   " listing "${srcs}")
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.cmake
       CONTENT "# Sources of ${name}:\n#   ${listing}\n")
  include(${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.cmake)
endfunction()

# va_library(NAME name [QT] [LINK deps...]): one static library from the *.cpp, *.h and *.ui files
# of the calling folder (not its subfolders).
function(va_library name)
  cmake_parse_arguments(A "QT" "" "LINK" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    va_autogen_follows_sources(${name})
  endif()
  if(A_LINK)
    target_link_libraries(${name} PUBLIC ${A_LINK})
  endif()
endfunction()

# va_test(NAME name LINK deps...): one GoogleTest executable from the *.cpp of the calling folder.
function(va_test name)
  cmake_parse_arguments(A "QT" "" "LINK" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_LINK} GTest::gtest GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    VA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    VA_BUILD_DIR="${PROJECT_BINARY_DIR}")
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    va_autogen_follows_sources(${name})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300)
endfunction()

# va_add_subfolders(): adds every subfolder of the calling folder that has a CMakeLists.txt.
function(va_add_subfolders)
  file(GLOB subdirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir ${subdirs})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
