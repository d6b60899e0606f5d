#include "own_pages.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <utility>

namespace gloamery::batch {

void mapOwnPages()
{
#if defined(MADV_POPULATE_READ) && defined(MADV_POPULATE_WRITE)
    struct Wanted {
        ElfW(Addr) maths; // where the library that holds sin() is loaded
        bool program = true; // the program comes first
    } wanted{0};
    Dl_info maths{};
    if (void* sine = dlsym(RTLD_DEFAULT, "sin"); sine && dladdr(sine, &maths) && maths.dli_fbase)
        wanted.maths = reinterpret_cast<ElfW(Addr)>(maths.dli_fbase);
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto& want = *static_cast<Wanted*>(data);
            const bool program = std::exchange(want.program, false);
            if (!program && (want.maths == 0 || info->dlpi_addr != want.maths)) return 0;
            const auto page = static_cast<ElfW(Addr)>(sysconf(_SC_PAGESIZE));
            // Writable data starts past the part made read-only after
            // loading, which cannot be populated for writing.
            ElfW(Addr) readOnlyEnd = 0;
            for (int i = 0; i < info->dlpi_phnum; ++i)
                if (info->dlpi_phdr[i].p_type == PT_GNU_RELRO)
                    readOnlyEnd = (info->dlpi_addr + info->dlpi_phdr[i].p_vaddr + info->dlpi_phdr[i].p_memsz + page - 1)
                                & ~(page - 1);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& seg = info->dlpi_phdr[i];
                if (seg.p_type != PT_LOAD) continue;
                const bool writable = seg.p_flags & PF_W;
                auto from = (info->dlpi_addr + seg.p_vaddr) & ~(page - 1);
                if (writable) from = std::max(from, readOnlyEnd);
                const auto to = info->dlpi_addr + seg.p_vaddr + seg.p_memsz;
                if (to > from)
                    ::madvise(reinterpret_cast<void*>(from), to - from,
                              writable ? MADV_POPULATE_WRITE : MADV_POPULATE_READ);
            }
            return program || want.maths == 0 ? 0 : 1; // done once the library is
        },
        &wanted);
#endif
}

} // namespace gloamery::batch
