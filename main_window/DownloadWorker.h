#pragma once
#include <functional>
#include <string>

#include "framework/runtime/Thread.h"
#include "main_window/MainWindowProperties.h"

namespace app {

// The body of the main window's worker thread: walks the blog's numbered
// pages one after another without end, saving every picture whose address
// ends in "jpg" into the output folder on the Desktop, with a 10 s pause after
// each page. It reads the run state from props and advances props.Page and
// props.count; it touches no control. It never returns: it ends when thread is
// killed (at one of its yield points). Raises NilObjectException when there
// is no Desktop folder; a failed page or picture request, a picture that does
// not decode, an output folder or file name that is not one plain name and an
// existing file of the same name only mean that nothing is saved for it.
void RunDownloadWorker(MainWindowProperties& props, fw::Thread& thread);

// What becomes of a downloaded picture: its bytes decoded, stamped with the
// watermark and encoded as the JPEG to save; "" when they do not decode. It
// runs on a helper thread without the runtime lock, while the worker fetches
// the next picture, so it touches only its arguments.
using PictureConversion =
    std::function<std::string(std::string bytes, const std::string& watermark)>;
// Puts conversion in place of the real one (tests); empty puts it back.
void SetPictureConversion(PictureConversion conversion);
// The real conversion, for stand-ins that watch it. Cannot fail.
PictureConversion RealPictureConversion();

}  // namespace app
