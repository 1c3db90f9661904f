#pragma once
#include <cstdint>
#include <string>

namespace app {

// The run state of the main window, shared by the "Go" handler, the download
// worker and the progress timer. The main window is one of these; the worker
// reads and writes them only between its yield points.
struct MainWindowProperties {
  int32_t Page = 0;    // number of the blog page last requested; never reset
  int32_t count = 0;   // number given to the last picture taken up (start number before the first)
  std::string url;     // blog address as "Go" shortened it: scheme, "//", host
  std::string folder;  // name of the output folder on the Desktop
  std::string picturename;  // base name of the picture files
  std::string watermark;    // text stamped onto each picture; nothing assigns it
  std::string checkurl;     // declared, never read or written
};

}  // namespace app
