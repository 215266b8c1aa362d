// How long the folder tree takes to fill with a mailbox of thousands of folders, and how long
// the window goes without processing events meanwhile. The in-memory mailboxes cost next to
// nothing to read, so their figures are the tree's own work. The same shapes are then written
// as .pst files and timed twice: reading their folders alone, then the whole fill; the
// difference is the tree's work on a real file. A .pst given on the command line is timed too.
//
//   tree-fill-bench [--folders N] [FILE.pst]

#include <QApplication>
#include <QTabWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/foldertree/MailboxFolderDisplay.h"
#include "pststore/PstSession.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/FakeStore.h"
#include "support/TestFiles.h"
#include "support/gui/TestWindow.h"

namespace {

using namespace pellmark;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    int nodes = 0;
    double fillMs = 0;
    double longestGapMs = 0;  // between two yields: how long input waits at worst
    int yields = 0;
};

// Fills the tree of a shown window from store `id` as the .pst source does.
Figures fill(store::SessionFactory& sessions, const std::string& id, const std::string& path) {
    test::TestWindow window(sessions);
    window.MainWindow.resize(700, 600);
    window.notesTab->resize(690, 590);
    window.notesTab->setTabEnabled(1, true);
    window.notesTab->setCurrentIndex(1);
    window.folderTree->resize(670, 400);
    window.MainWindow.show();
    QApplication::processEvents();

    gui::MailboxFolderDisplay display(window.parts);
    auto session = sessions.create();
    session->logon();
    window.current.mailbox = path.empty() ? session->storeFromId(id) : session->stores().add(path);
    Figures figures;
    Clock::time_point last = Clock::now();
    window.onYield = [&] {
        figures.longestGapMs = std::max(figures.longestGapMs, msSince(last));
        QApplication::processEvents();
        last = Clock::now();
    };
    const Clock::time_point start = Clock::now();
    display.showPstFolders();
    QApplication::processEvents();  // the final layout and paint
    figures.fillMs = msSince(start);
    figures.nodes = window.folderTree->nodeCount();
    figures.yields = window.yields;
    return figures;
}

// Reads every folder the way a fill does, without a tree.
double readOnly(store::Folder& folder, int& folders) {
    const Clock::time_point start = Clock::now();
    std::function<void(store::Folder&)> walk = [&](store::Folder& f) {
        auto subfolders = f.folders();
        auto each = subfolders->enumerate();
        while (auto sub = each->next()) {
            ++folders;
            (void)sub->folderPath();
            (void)sub->entryId();
            (void)sub->items()->count();
            (void)sub->defaultMessageClass();
            (void)sub->name();
            walk(*sub);
        }
    };
    walk(folder);
    return msSince(start);
}

test::FakeFolder folderNamed(int number) {
    test::FakeFolder folder = test::fakeFolder("Folder " + std::to_string(number));
    folder.items.resize(static_cast<std::size_t>(number % 3));
    return folder;
}

// `total` folders: all at the top, in a 3-level tree, or in one chain.
void shape(test::FakeFolder& root, const std::string& kind, int total) {
    int number = 0;
    if (kind == "flat") {
        for (; number < total; ++number) root.subfolders.push_back(folderNamed(number));
    } else if (kind == "three levels") {
        while (number < total) {
            root.subfolders.push_back(folderNamed(number++));
            for (int j = 0; j < 20 && number < total; ++j) {
                root.subfolders.back().subfolders.push_back(folderNamed(number++));
                auto& mid = root.subfolders.back().subfolders.back();
                for (int k = 0; k < 24 && number < total; ++k) {
                    mid.subfolders.push_back(folderNamed(number++));
                }
            }
        }
    } else {
        test::FakeFolder* at = &root;
        for (; number < total; ++number) {
            at->subfolders.push_back(folderNamed(number));
            at = &at->subfolders.back();
        }
    }
}

// The same shapes as .pst files, written by the fixture writer.
void addFolders(pstwriter::Folder& root, const std::string& kind, int total) {
    int number = 0;
    auto add = [&](pstwriter::Folder& parent) -> pstwriter::Folder& {
        pstwriter::Folder& folder =
            parent.addFolder("Folder " + std::to_string(number), "IPF.Note");
        if (number++ % 10 == 0) folder.addMessage().setSubject("Item").setBody("text");
        return folder;
    };
    if (kind == "flat") {
        while (number < total) add(root);
    } else if (kind == "three levels") {
        while (number < total) {
            pstwriter::Folder& top = add(root);
            for (int j = 0; j < 20 && number < total; ++j) {
                pstwriter::Folder& mid = add(top);
                for (int k = 0; k < 24 && number < total; ++k) add(mid);
            }
        }
    } else {
        pstwriter::Folder* at = &root;
        while (number < total) at = &add(*at);
    }
}

void print(const char* what, const Figures& f);

// Reading the folders of `path` alone, then the whole fill.
void timePst(const std::string& what, const std::string& path) {
    pststore::PstSessionFactory sessions("/nonexistent/profile");
    auto session = sessions.create();
    session->logon();
    auto store = session->stores().add(path);
    auto root = store->rootFolder();
    int folders = 0;
    const double readMs = readOnly(*root, folders);
    const Figures fillFigures = fill(sessions, "", path);
    std::printf("%-28s %6d folders: reading alone %8.1f ms\n", what.c_str(), folders, readMs);
    print((what + ", whole fill").c_str(), fillFigures);
    std::printf("%-28s the tree's own share: %8.1f ms\n", "", fillFigures.fillMs - readMs);
}

void print(const char* what, const Figures& f) {
    std::printf("%-28s %6d nodes  fill %8.1f ms  %6.1f us/node  longest gap %6.2f ms  %d yields\n",
                what, f.nodes, f.fillMs, 1000.0 * f.fillMs / std::max(f.nodes, 1), f.longestGapMs,
                f.yields);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    int total = 5000;
    std::string pst;
    bool fileOnly = false;  // the given file alone, without the generated trees
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--folders") == 0 && i + 1 < argc) {
            total = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--file-only") == 0) {
            fileOnly = true;
        } else {
            pst = argv[i];
        }
    }
    if (fileOnly) {
        if (pst.empty()) {
            std::fprintf(stderr, "tree-fill-bench: --file-only needs a FILE.pst\n");
            return 2;
        }
        timePst("pst, " + pst, pst);
        return 0;
    }
    for (const char* kind : {"flat", "three levels", "chain"}) {
        const int count = std::string(kind) == "chain" ? std::min(total, 1000) : total;
        test::FakeWorld world;
        shape(world.addStore("Bench", "B").root, kind, count);
        test::FakeSessionFactory sessions(world);
        print((std::string("in memory, ") + kind).c_str(), fill(sessions, "B", ""));
    }
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> files;
    for (const char* kind : {"flat", "three levels", "chain"}) {
        pstwriter::PstBuilder builder;
        addFolders(builder.root(), kind,
                   std::string(kind) == "chain" ? std::min(total, 1000) : total);
        const std::string path = (dir / (std::string(kind) + ".pst")).string();
        builder.write(path);
        files.emplace_back(std::string("pst, ") + kind, path);
    }
    if (!pst.empty()) files.emplace_back("pst, " + pst, pst);
    for (const auto& [what, path] : files) timePst(what, path);
    return 0;
}
