#pragma once

namespace app {

// The application's set of document file types: it holds none, the program
// has no documents.
class FileTypes1 {
 public:
  // The initialiser run at start-up: registers nothing. Cannot fail.
  static void Initialize();
};

}  // namespace app
