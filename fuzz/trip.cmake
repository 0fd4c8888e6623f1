kivu_fuzz(fuzz_trip_fixes SOURCES fuzz_trip_fixes.cpp LIBS kivu_view)
