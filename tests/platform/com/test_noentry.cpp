// A shared library without the server entry points, for the loader's error path.
extern "C" __attribute__((visibility("default"))) int comTestNoEntryMarker() {
  return 42;
}
