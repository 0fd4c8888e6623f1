kivu_fuzz(fuzz_nmea_block SOURCES fuzz_nmea_block.cpp LIBS kivu_gps)
kivu_fuzz(fuzz_gps_reads SOURCES fuzz_gps_reads.cpp LIBS kivu_gps)
kivu_fuzz(fuzz_replay_args SOURCES fuzz_replay_args.cpp LIBS kivu_replay_options)
kivu_fuzz(fuzz_gps_chunks SOURCES fuzz_gps_chunks.cpp LIBS kivu_gps)
