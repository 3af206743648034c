add_unit_test(print_layout_test SOURCES tests/print/print_layout_test.cpp QT)
add_unit_test(printing_test SOURCES tests/print/printing_test.cpp QT)
add_unit_test(tdruckein_test SOURCES tests/print/tdruckein_test.cpp QT)
