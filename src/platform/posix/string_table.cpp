// Linux: LoadStringA over the string tables that modules carry.
//
// A module declares its table with CT_STRING_TABLE, which puts an ELF note
// in the module pointing at it. The module's handle is its link map; the
// note is found among the program headers of the loaded object whose
// dynamic section is that link map's.
#include "platform/posix/texts.h"
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace {

const unsigned n_note_type = 0x43540001;
const char ac_note_owner[] = "ctcommon";

std::size_t n_Align4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

// The table that a run of notes points at, or null.
const CT_StringTableEntry *po_TableInNotes(const char *pc_notes, std::size_t n_size) {
    while (n_size >= sizeof(ElfW(Nhdr))) {
        ElfW(Nhdr) o_header;
        std::memcpy(&o_header, pc_notes, sizeof o_header);
        const std::size_t n_desc_at = sizeof o_header + n_Align4(o_header.n_namesz);
        const std::size_t n_next = n_desc_at + n_Align4(o_header.n_descsz);
        if (n_next > n_size) break;
        if (o_header.n_type == n_note_type && o_header.n_namesz == sizeof ac_note_owner &&
            o_header.n_descsz == 4 &&
            std::memcmp(pc_notes + sizeof o_header, ac_note_owner, sizeof ac_note_owner) == 0) {
            std::int32_t n_offset;
            std::memcpy(&n_offset, pc_notes + n_desc_at, sizeof n_offset);
            return reinterpret_cast<const CT_StringTableEntry *>(pc_notes + n_desc_at + n_offset);
        }
        pc_notes += n_next;
        n_size -= n_next;
    }
    return nullptr;
}

struct TableSearch {
    const ElfW(Dyn) * po_dynamic; // identifies the module
    const CT_StringTableEntry *po_table;
};

int i_SearchObject(struct dl_phdr_info *po_info, std::size_t, void *pv_search) {
    TableSearch *po_search = static_cast<TableSearch *>(pv_search);
    const ElfW(Dyn) *po_dynamic = nullptr;
    for (int i = 0; i < po_info->dlpi_phnum; ++i)
        if (po_info->dlpi_phdr[i].p_type == PT_DYNAMIC)
            po_dynamic = reinterpret_cast<const ElfW(Dyn) *>(po_info->dlpi_addr +
                                                             po_info->dlpi_phdr[i].p_vaddr);
    if (po_dynamic != po_search->po_dynamic) return 0;
    for (int i = 0; i < po_info->dlpi_phnum && !po_search->po_table; ++i) {
        const ElfW(Phdr) &o_header = po_info->dlpi_phdr[i];
        if (o_header.p_type == PT_NOTE)
            po_search->po_table = po_TableInNotes(
                reinterpret_cast<const char *>(po_info->dlpi_addr + o_header.p_vaddr),
                o_header.p_memsz);
    }
    return 1;
}

// The loaded module that the handle stands for (null: the main program),
// or null when the handle is none of the process's modules.
const struct link_map *po_LoadedModule(HINSTANCE ho_module) {
    void *pv_main = dlopen(nullptr, RTLD_NOW);
    struct link_map *po_map = nullptr;
    if (pv_main) dlinfo(pv_main, RTLD_DI_LINKMAP, &po_map);
    if (pv_main) dlclose(pv_main);
    if (!ho_module) return po_map;
    for (; po_map; po_map = po_map->l_next)
        if (reinterpret_cast<void *>(po_map) == reinterpret_cast<void *>(ho_module)) return po_map;
    return nullptr;
}

const char *pc_FindString(HINSTANCE ho_module, UINT n_id) {
    const struct link_map *po_map = po_LoadedModule(ho_module);
    if (!po_map) return nullptr;
    TableSearch o_search = {po_map->l_ld, nullptr};
    dl_iterate_phdr(i_SearchObject, &o_search);
    if (!o_search.po_table) return nullptr;
    for (const CT_StringTableEntry *po = o_search.po_table; po->pc_text; ++po)
        if (po->n_id == n_id) return po->pc_text;
    return nullptr;
}

} // namespace

int LoadStringA(HINSTANCE ho_module, UINT n_id, LPSTR pc_buffer, int n_max) {
    const int n_saved_error = errno; // success leaves the last error alone
    const char *pc_text = pc_FindString(ho_module, n_id);
    errno = n_saved_error;
    if (!pc_text || !*pc_text || n_max <= 0) {
        errno = ENOENT;
        return 0;
    }
    return static_cast<int>(ct_posix::n_CopyCut(pc_buffer, static_cast<std::size_t>(n_max), pc_text,
                                                std::strlen(pc_text)));
}
