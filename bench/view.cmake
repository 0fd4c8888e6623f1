kivu_bench(kivu_view_bench SOURCES view_bench.cpp LIBS kivu_view)
