#pragma once
// The PDF engine of a run: Chromium, through Qt WebEngine's printToPdf (chosen by measurement,
// bench/pdf_engines/README.md). One engine for the whole run, its pages living on the program's
// main thread; the run's workers ask for pages from their own threads and wait, so as many
// pages render at once as there are workers. Pages load from memory through a scheme of their
// own; nothing else is fetched (a mail's remote images and trackers stay unloaded) and no
// script runs.

#include <functional>

#include "formats/pdf/PdfEngine.h"

namespace pellmark::pdfengine {

// Starts the engine on the calling (main) thread, with a display-less platform where none is
// chosen, registers it for the .pdf writer with `settings`, runs `work` on a thread of its own
// and returns what `work` returns once the engine is shut down again.
int runWithPdfEngine(int argc, char** argv, formats::PdfSettings settings,
                     const std::function<int()>& work);

}  // namespace pellmark::pdfengine
