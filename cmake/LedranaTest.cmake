# ledrana_add_test(<name> SOURCES ... [LIBS ...] [DB] [TIMEOUT s])
# One executable = one CTest test. DB tests share the private MariaDB server that
# the `mariadb` fixture starts for the run; each suite makes its own database in it.
function(ledrana_add_test name)
    cmake_parse_arguments(T "DB" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} ledrana_testsupport)
    add_test(NAME ${name} COMMAND ${name})
    set(env
        "QT_QPA_PLATFORM=offscreen"
        "LEDRANA_SOURCE_DIR=${LEDRANA_SOURCE_DIR}"
        "LEDRANA_TEST_DB_DIR=${CMAKE_BINARY_DIR}/testdb"
        "LEDRANA_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp/${name}"
        ${T_ENV})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
    if(T_DB)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED mariadb)
    endif()
endfunction()
