#include "batch_run.h"

#include "world_run.h"

#include "imageio/native_io.h"
#include "imageio/plugins.h"
#include "imageio/qt_fallback.h"
#include "workspace/large_buffer.h"
#include "workspace/parallel.h"
#include "workspace/reporter.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>
#include <ostream>
#include <utility>

namespace gloamery::batch {

namespace {

constexpr const char* kTool = "gloamery-batch";

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// Milliseconds with three decimals, whatever the global locale.
std::string milliseconds(std::chrono::steady_clock::duration d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double, std::milli>(d).count());
    return text;
}

// Physical memory, in bytes; 0 when the system does not say.
double physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize) : 0.0;
}

// A W x H map holds seven pictures of 4 bytes a pixel, and a run takes
// about three more pictures' worth (heights, light, scratch layers).
double bytesForMap(int w, int h) { return 10.0 * 4.0 * w * h; }

std::string mib(double bytes) { return std::to_string(static_cast<long long>(bytes / (1024 * 1024))) + " MiB"; }

} // namespace

// Plain PNG files are read here; every other file by the toolkit's
// readers in the plugin, loaded the first time one is needed, so a run on
// plain files never maps the GUI libraries.
std::variant<LoadedFile, Error> loadFile(Workspace& ws, const LoadStep& load)
{
    if (auto plain = loadPlainFile(ws, load.slot, load.path, load.tile)) return std::move(*plain);
    static const auto viaToolkit = reinterpret_cast<QtLoadSlotFile>(
        pluginSymbol(openPlugin(kQtPluginFile, "GLOAMERY_QTIO_PLUGIN"), kQtLoadSlotFileSymbol));
    if (!viaToolkit)
        return Error{std::string("Files other than plain PNG are read by the ") + kQtPluginFile
                     + " plugin, which is not installed."};
    std::variant<LoadedFile, Error> read = Error{};
    viaToolkit(ws, load.slot, load.path, load.tile, load.heights, read);
    return read;
}

namespace {

int load(Workspace& ws, const LoadStep& load, std::ostream& err)
{
    auto read = loadFile(ws, load);
    if (const Error* e = std::get_if<Error>(&read)) {
        err << kTool << ": cannot read " << quoted(load.path) << ": " << e->message << '\n';
        return kExitFileError;
    }
    const LoadedFile& file = std::get<LoadedFile>(read);
    if (!file.note.empty()) err << "note: " << load.path << ": " << file.note << '\n';
    if (!load.tile && (file.width != ws.width() || file.height != ws.height()))
        err << "note: " << load.path << " is " << file.width << " x " << file.height
            << "; the map is " << ws.width() << " x " << ws.height() << " (use --size " << file.width << ','
            << file.height << " before --load to work at its size)\n";
    return kExitOk;
}

// A deep height map saves as 16-bit grey PNG; everything else as 8-bit.
Refusal save(const Workspace& ws, const SaveStep& save)
{
    if (save.slot == Slot::Height && save.format == "png" && heightsAreDeep(ws))
        return saveDeepHeightsFile(ws.heightSamples(), save.path);
    return savePictureFile(ws.picture(save.slot), save.path, save.format);
}

int resize(Workspace& ws, const SizeStep& size, std::ostream& err)
{
    const double needed = bytesForMap(size.width, size.height);
    const double have = physicalMemory();
    if (have > 0 && needed > have) {
        err << kTool << ": cannot make the map " << size.width << " x " << size.height << ": it needs about "
            << mib(needed) << ", more than this machine's " << mib(have) << '\n';
        return kExitFileError;
    }
    ws.resize(size.width, size.height);
    return kExitOk;
}

// Maps the program's own code and static tables, and the maths library's,
// in one call each. Each of their pages is otherwise mapped at its first
// use, one fault at a time, and on a virtual machine those faults made the
// first run of an operation take twice as long as the next: the first sine
// of "Sin func" alone met five of them in the library. Harmless where the
// system does not know the request.
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
                    ::madvise(reinterpret_cast<void*>(from), to - from, writable ? MADV_POPULATE_WRITE : MADV_POPULATE_READ);
            }
            return program || want.maths == 0 ? 0 : 1; // done once the library is
        },
        &wanted);
#endif
}

} // namespace

std::vector<Slot> defaultsRead(const Plan& plan)
{
    std::vector<Slot> replaced, read;
    auto reads = [&](Slot s) {
        const bool input = isInputSlot(s);
        if (input && std::find(replaced.begin(), replaced.end(), s) == replaced.end()
            && std::find(read.begin(), read.end(), s) == read.end())
            read.push_back(s);
    };
    for (const Step& step : plan.steps) {
        if (const auto* l = std::get_if<LoadStep>(&step)) {
            replaced.push_back(l->slot); // placed over the background, or tiled: the default is not read
        } else if (const auto* save = std::get_if<SaveStep>(&step)) {
            reads(save->slot);
        } else if (std::holds_alternative<SizeStep>(step)) {
            for (Slot s : {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail}) reads(s); // repeated to the new size
        } else {
            const Operation op = std::get<RunStep>(step).op;
            if (op == Operation::Clear) continue;
            reads(Slot::Height);
            if (op == Operation::MakeTexture || op == Operation::MakeTexture2) {
                reads(Slot::Grass);
                reads(Slot::Stone);
            }
        }
    }
    return read;
}

namespace {

int runSteps(const Plan& plan, Workspace& ws, std::ostream& err)
{
    for (const Step& step : plan.steps) {
        if (const auto* l = std::get_if<LoadStep>(&step)) {
            if (const int status = load(ws, *l, err)) return status;
        } else if (const auto* size = std::get_if<SizeStep>(&step)) {
            if (const int status = resize(ws, *size, err)) return status;
        } else if (const auto* save = std::get_if<SaveStep>(&step)) {
            if (const Refusal r = batch::save(ws, *save)) {
                err << kTool << ": cannot write " << quoted(save->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else {
            const auto& run = std::get<RunStep>(step);
            const auto start = std::chrono::steady_clock::now();
            if (const Refusal r = runOperation(ws, run)) {
                // Arguments are checked before the run, so this is a refusal
                // the check did not foresee; it is still the user's input.
                err << kTool << ": " << operationName(run.op) << ": " << r->message << '\n';
                return kExitUsage;
            }
            if (plan.time) err << timeLine(run.op, std::chrono::steady_clock::now() - start);
        }
    }
    return kExitOk;
}

} // namespace

Refusal runOperation(Workspace& ws, const RunStep& step)
{
    SilentReporter quiet;
    const Controls& c = step.controls;
    switch (step.op) {
    case Operation::Linear: return runShadow(ws, ShadowMode::Linear, c, parseCNumber, quiet);
    case Operation::LinearSim: return runShadow(ws, ShadowMode::LinearSim, c, parseCNumber, quiet);
    case Operation::Sin: return runShadow(ws, ShadowMode::Sin, c, parseCNumber, quiet);
    case Operation::Cos: return runShadow(ws, ShadowMode::Cos, c, parseCNumber, quiet);
    case Operation::Embossed: return runShadow(ws, ShadowMode::Embossed, c, parseCNumber, quiet);
    case Operation::MakeTexture: makeTexture(ws, c.contrast, quiet); return std::nullopt;
    case Operation::MakeTexture2: makeTexture2(ws, c.contrast, quiet); return std::nullopt;
    case Operation::Clear: clearShadow(ws); return std::nullopt;
    }
    return std::nullopt;
}

void prepareRun(const Plan& plan)
{
    if (plan.threads > 0) setThreadCount(plan.threads);
    // A run mostly computes each thing once: a large block it frees is
    // seldom wanted again, and kept it would only add to the peak.
    keepLargeBlocks(0);
    // Before the files are read, so a run does not wait for the threads.
    if (std::any_of(plan.steps.begin(), plan.steps.end(), [](const Step& s) { return std::holds_alternative<RunStep>(s); })) {
        mapOwnPages();
        startThreads();
    }
}

std::string timeLine(Operation op, std::chrono::steady_clock::duration d)
{
    return operationName(op) + ' ' + milliseconds(d) + " ms\n";
}

int runPlan(const Plan& plan, Workspace& ws, std::ostream& err)
{
    prepareRun(plan);
    try {
        return runSteps(plan, ws, err);
    } catch (const std::bad_alloc&) {
        // Files saved before stay as they are; none is left half-written.
        err << kTool << ": out of memory for a " << ws.width() << " x " << ws.height() << " map\n";
        return kExitFileError;
    }
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseArguments(args);
    if (const auto* e = std::get_if<UsageError>(&parsed)) {
        err << kTool << ": " << e->message << "\nTry '" << kTool << " --help' for more information.\n";
        return kExitUsage;
    }
    const Command& cmd = std::get<Command>(parsed);
    switch (cmd.request) {
    case Request::Help: out << usageText(); return kExitOk;
    case Request::Version: out << kTool << ' ' << GLOAMERY_VERSION << '\n'; return kExitOk;
    case Request::Run: break;
    }
    if (cmd.plan.world) return runWorld(cmd.plan, err);
    Workspace ws;
    loadBuiltInDefaults(ws, defaultsRead(cmd.plan));
    return runPlan(cmd.plan, ws, err);
}

} // namespace gloamery::batch
