# Shared build rules: one library per source folder, one test binary per test folder.

set(MIROVANE_WARNINGS -Wall -Wextra -Wpedantic)
if(MIROVANE_WERROR)
  list(APPEND MIROVANE_WARNINGS -Werror)
endif()

# mirovane_library(<name> <folder> DEPS <targets...>)
# Every .cpp and .h in <folder> (not its subfolders) belongs to the library.
function(mirovane_library name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(NOT compiled)
    # A layer with no code yet still takes part in the chain.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
  target_compile_options(${name} PRIVATE ${MIROVANE_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# mirovane_tests(<name> <folder> DEPS <targets...> [TIMEOUT <s>] [ENV <var=value...>])
function(mirovane_tests name folder)
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS;ENV" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  if(NOT sources)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${MIROVANE_WARNINGS})
  target_compile_definitions(${name} PRIVATE
    MIROVANE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/${folder}/data"
    MIROVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENV}")
endfunction()
