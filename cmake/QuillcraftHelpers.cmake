# qc_library(NAME DIR DEPS...): one static library per src/ folder, made of
# every .cpp below that folder. A folder without sources yet gives an
# interface library so that dependants still link.
function(qc_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE -Wall -Wextra)
    target_link_libraries(${name} PUBLIC ${ARGN})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# qc_test_suite(NAME DIR DEPS...): one GoogleTest executable per tests/ folder.
function(qc_test_suite name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  target_link_libraries(${name} PRIVATE ${ARGN} qc_testsupport GTest::gtest GTest::gmock)
  # A suite that needs its own main (a QApplication, say) keeps it in main.cpp.
  if(NOT EXISTS ${dir}/main.cpp)
    target_link_libraries(${name} PRIVATE qc_testmain)
  endif()
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  add_dependencies(${name} qc_data qc_chmc)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES
      TIMEOUT 600
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
