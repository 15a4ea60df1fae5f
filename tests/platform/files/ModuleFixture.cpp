// A module for the loader's tests to copy about: one symbol to find.

extern "C" __attribute__((visibility("default"))) int trusted_module_fixture()
{
    return 42;
}
