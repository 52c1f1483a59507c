# A test that fails with MESSAGE: what is missing and how to get it.
message(FATAL_ERROR "${MESSAGE}")
