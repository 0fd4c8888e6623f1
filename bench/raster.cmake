# Raster layer and image helpers: scaling the canvas to the window, rotating the attitude ball, labels.
kivu_bench(raster_bench SOURCES raster_bench.cpp LIBS kivu_raster)
