kivu_bench(kivu_gps_bench SOURCES gps_bench.cpp LIBS kivu_gps)
