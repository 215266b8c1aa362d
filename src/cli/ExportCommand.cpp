#include "cli/ExportCommand.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <ostream>

#include "cli/TerminalProgress.h"
#include "convert/ConversionRun.h"
#include "convert/ExportFormat.h"
#include "mapi/PstSession.h"
#include "mapi/PstStore.h"
#include "store/FolderKinds.h"

namespace pellmark::cli {
namespace {

struct FolderInfo {
    std::string path;
    std::string tag;
    int64_t items = 0;
    bool shownInTree = false;
};

FolderInfo folderInfo(store::Folder& f) {
    FolderInfo info;
    info.path = f.FolderPath();
    info.tag = f.entryId() + "#" + info.path.substr(1);
    info.items = f.items()->Count();
    info.shownInTree = store::folderImageIndex(f.DefaultMessageClass()).has_value();
    return info;
}

// The store's top folder, then every folder below it, depth first, as the folder tree walks
// them. The top folder is exported like the others when it holds items.
std::vector<FolderInfo> listFolders(store::Store& store, std::ostream& err) {
    std::vector<FolderInfo> out;
    const std::unique_ptr<store::Folder> top = store.rootFolder();
    out.push_back(folderInfo(*top));
    out.back().shownInTree = out.back().items > 0;
    std::function<void(store::Folder&)> walk = [&](store::Folder& parent) {
        auto e = parent.folders()->enumerate();
        while (true) {
            std::unique_ptr<store::Folder> f;
            try {
                f = e->next();
                if (!f) break;
                out.push_back(folderInfo(*f));
            } catch (const store::StoreError& ex) {
                err << "pellmark-export: warning: a folder below " << parent.FolderPath()
                    << " cannot be read: " << ex.what() << '\n';
                continue;
            }
            walk(*f);
        }
    };
    walk(*top);
    return out;
}

std::string humanBytes(uint64_t bytes) {
    char buf[32];
    if (bytes >= (1u << 30)) std::snprintf(buf, sizeof buf, "%.1f GB", bytes / double(1u << 30));
    else if (bytes >= (1u << 20)) std::snprintf(buf, sizeof buf, "%.1f MB", bytes / double(1u << 20));
    else std::snprintf(buf, sizeof buf, "%.1f KB", bytes / 1024.0);
    return buf;
}

}  // namespace

int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    auto format = convert::exportFormatNamed(options.format);
    if (!format) {
        err << "pellmark-export: unknown format '" << options.format
            << "' (msg, eml, txt, vcf, rtf, html or mht)\n";
        return 2;
    }
    // The command line exports the file it is given; the configured mailboxes play no part.
    mapi::PstSessionFactory sessions(mapi::PstSessionFactory::kNoProfile);
    std::unique_ptr<store::Store> store;
    std::vector<FolderInfo> folders;
    try {
        store = mapi::openStore(options.file);
        folders = listFolders(*store, err);
    } catch (const store::StoreError& e) {
        err << "pellmark-export: " << options.file << ": " << e.what() << '\n';
        return 2;
    }

    convert::RunRequest request;
    request.CurrentStoreID = store->entryId();
    request.outputDirectory = options.outputDirectory;
    request.format = *format;
    int64_t total = 0;
    auto choose = [&](const FolderInfo& f) {
        request.SelectedFolderTags.push_back(f.tag);
        total += f.items;
    };
    if (options.folders.empty()) {
        for (const auto& f : folders) {
            if (f.shownInTree) choose(f);
        }
    } else {
        for (const auto& wanted : options.folders) {
            auto it = std::find_if(folders.begin(), folders.end(), [&](const FolderInfo& f) { return f.path == wanted; });
            if (it == folders.end()) {
                err << "pellmark-export: no folder " << wanted << " in " << options.file
                    << " (pellmark-export --list FILE shows the folder paths)\n";
                return 2;
            }
            choose(*it);
        }
    }

    TerminalProgress progress(err, total, options.terminal);
    convert::ConversionRun run(sessions, std::move(request), progress);
    run.setRenderThreads(std::max(1u, std::thread::hardware_concurrency()));
    const auto start = std::chrono::steady_clock::now();
    convert::RunSummary summary;
    try {
        summary = run.run();
    } catch (const convert::PrepareError& e) {
        progress.finish();
        err << "pellmark-export: " << e.what() << '\n';
        return 2;
    }
    progress.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    out << summary.itemsWritten << " items written, " << summary.itemsFailed << " failed, "
        << summary.itemsSkipped << " skipped (distribution lists), " << summary.folders << " folders, "
        << humanBytes(summary.bytesWritten) << " in " << time << '\n'
        << "Output: " << summary.exportRoot << '\n';
    for (const auto& f : summary.failedFolders) out << "Failures in: " << f << '\n';
    return summary.succeeded() ? 0 : 1;
}

}  // namespace pellmark::cli
