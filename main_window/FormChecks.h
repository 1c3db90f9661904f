#pragma once
#include <string>

namespace app {

// The outcome of checking the form before a run.
struct FormCheck {
  // The text to show the user for the first check that failed; empty when
  // every check passed.
  std::string message;
  // True when the blog-address field is to be emptied once the message has
  // been shown (an address that is not one of the blog service's).
  bool clearAddress = false;
  // When every check passed: the address shortened to its first three
  // "/"-separated pieces (scheme, "//", host); empty otherwise.
  std::string normalised;

  bool Passed() const { return message.empty(); }
};

// Checks the blog address, the output folder name and the picture base name
// in this order and gives the first failure:
//   1. an empty address: "Enter a Tumblr blogadress!"
//   2. a folder name that is not one plain name (fw::FolderItem::IsPlainName):
//      "Enter an output foldername!"
//   3. a base name that is not one plain name: "Enter a name for the pictures!"
//   4. an address without ".": "Please enter a correct URL!"
//   5. an address whose second "."-separated piece is not "tumblr" (as the
//      program's string equality compares): "This isnt a tumblr address!",
//      and the address field is to be emptied
//   6. an address of fewer than three "/"-separated pieces, which cannot be
//      shortened to scheme, "//" and host: "Please enter a correct URL!"
// When all pass, gives the shortened address. Pure; never fails.
FormCheck CheckForm(const std::string& address, const std::string& folder,
                    const std::string& pictureName);

}  // namespace app
