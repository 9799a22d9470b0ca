// A shared library that is no server: no entry points, no version record.
extern "C" __attribute__((visibility("default"))) int bvd_noentry_marker() { return 7; }
