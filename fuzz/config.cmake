# The settings file store: arbitrary files and a write, read back.
kivu_fuzz(fuzz_ini SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_ini.cpp LIBS kivu_config)
