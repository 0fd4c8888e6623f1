kivu_fuzz(fuzz_kivu_args SOURCES fuzz_kivu_args.cpp LIBS kivu_app_core)
