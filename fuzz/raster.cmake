kivu_fuzz(fuzz_png SOURCES fuzz_png.cpp LIBS kivu_raster)
