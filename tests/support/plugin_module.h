// A second host module beside the test program, with exceptions of its own:
// on Windows a DLL linked as the package links hosts, so it carries its own
// C++ runtime; on Linux a shared object.
#ifndef CTCOMMON_TESTS_PLUGIN_MODULE_H
#define CTCOMMON_TESTS_PLUGIN_MODULE_H

#if defined(_WIN32) && defined(CT_PLUGIN_BUILD)
#define CT_PLUGIN_API __declspec(dllexport)
#elif defined(_WIN32)
#define CT_PLUGIN_API __declspec(dllimport)
#else
#define CT_PLUGIN_API __attribute__((visibility("default")))
#endif

extern "C" {
// Throws exceptions inside the plug-in and catches them there, n_times
// over; answers how many it caught.
CT_PLUGIN_API int ct_PluginCatchesOwn(int n_times);
// Throws n_value, an int, out of the plug-in.
CT_PLUGIN_API void ct_PluginThrows(int n_value);
}

#endif
