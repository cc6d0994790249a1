# Native build of the portable logic: GoogleTest under AddressSanitizer and
# UndefinedBehaviorSanitizer, plus libFuzzer targets when clang builds.
enable_testing()

set(SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)

add_library(portable STATIC ${PORTABLE_SOURCES})
target_include_directories(portable PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
target_compile_options(portable PRIVATE -Wall -Wextra -Werror ${SAN_FLAGS})
target_link_options(portable PUBLIC ${SAN_FLAGS})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TESTS})
target_compile_options(native_tests PRIVATE -Wall -Wextra ${SAN_FLAGS})
target_link_libraries(native_tests PRIVATE portable GTest::gtest_main)
add_test(NAME native_tests COMMAND native_tests)
set_tests_properties(native_tests PROPERTIES TIMEOUT 300)

set(FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs in the test suite")

# Each tests/fuzz/fuzz_<name>.cpp becomes a libFuzzer binary with clang, and a
# short run of it a test.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
    foreach(src ${FUZZ_TARGETS})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src} ${PORTABLE_SOURCES})
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
        add_test(NAME ${name} COMMAND ${name} -max_total_time=${FUZZ_SECONDS} -rss_limit_mb=2048)
        set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    endforeach()
endif()
