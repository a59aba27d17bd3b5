// LeakSanitizer reads its suppressions from this hook. fontconfig 2.14
// loses a few hundred bytes while parsing its configuration inside FcInit;
// the loss is once per process and not ours to fix.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
