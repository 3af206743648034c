add_unit_test(test_tchessbrd QT SOURCES tests/board/test_tchessbrd.cpp)
add_unit_test(test_tchessbrd_input QT SOURCES tests/board/test_tchessbrd_input.cpp)
