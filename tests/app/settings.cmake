add_unit_test(test_settings_file SOURCES tests/app/test_settings_file.cpp)
