// Loading and unloading the library twice in one process, as a host loads
// it at run time: each load constructs the module's objects afresh (the
// caption reads "Error", the error record is reset) and each unload
// destroys them, so that nothing of the first load is left in the second
// and nothing leaks. This program does not link the library; it finds the
// loaded one by the name that the header gives hosts.
#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// The data members of a CT_String, in their order.
struct StringLayout {
    char *pc_buffer;
    char *pc_current;
    unsigned n_capacity;
};

struct Library {
#if defined(_WIN32)
    HMODULE ho = LoadLibraryA(CTCOMMON_LIBRARY_NAME);
    void *pv_Symbol(const char *pc_name) {
        return reinterpret_cast<void *>(GetProcAddress(ho, pc_name));
    }
    static bool b_Loaded() { return GetModuleHandleA(CTCOMMON_LIBRARY_NAME) != nullptr; }
    void v_Unload() { FreeLibrary(ho); }
#else
    void *ho = dlopen(CTCOMMON_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    void *pv_Symbol(const char *pc_name) { return dlsym(ho, pc_name); }
    static bool b_Loaded() {
        void *pv = dlopen(CTCOMMON_LIBRARY_NAME, RTLD_NOW | RTLD_NOLOAD);
        if (pv) dlclose(pv);
        return pv != nullptr;
    }
    void v_Unload() { dlclose(ho); }
#endif
};

TEST(ModuleLoad, EachLoadBuildsTheStaticObjectsAfreshAndEachUnloadRemovesThem) {
    ASSERT_FALSE(Library::b_Loaded());
    for (int n_load = 0; n_load < 2; ++n_load) {
        Library o_library;
        ASSERT_NE(nullptr, o_library.ho) << "load " << n_load;
        ASSERT_TRUE(Library::b_Loaded()) << CTCOMMON_LIBRARY_NAME;
        StringLayout *po_title =
            static_cast<StringLayout *>(o_library.pv_Symbol("_ZN9CT_Errors8co_titleE"));
        int *pn_last_error =
            static_cast<int *>(o_library.pv_Symbol("_ZN9CT_Errors12eo_lasterrorE"));
        ASSERT_NE(nullptr, po_title);
        ASSERT_NE(nullptr, pn_last_error);
        EXPECT_EQ(std::string("Error"), po_title->pc_current) << "load " << n_load;
        EXPECT_EQ(512u, po_title->n_capacity);
        EXPECT_EQ(1, *pn_last_error) << "load " << n_load;

        // Leave traces that a second load must not see.
        std::strcpy(po_title->pc_current, "Changed");
        *pn_last_error = 17;
        o_library.v_Unload();
        EXPECT_FALSE(Library::b_Loaded()) << "load " << n_load;
    }
}

} // namespace
