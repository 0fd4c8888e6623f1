kivu_bench(kivu_trip_bench SOURCES trip_bench.cpp LIBS kivu_view)
