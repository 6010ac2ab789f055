// Compiles the tests' precompiled header once; the test executables reuse it.
