#include "main_window/FormChecks.h"

#include "framework/files/FolderItem.h"
#include "framework/text/Text.h"

namespace app {

namespace {

FormCheck Fail(const char* message, bool clearAddress = false) {
  FormCheck c;
  c.message = message;
  c.clearAddress = clearAddress;
  return c;
}

}  // namespace

FormCheck CheckForm(const std::string& address, const std::string& folder,
                    const std::string& pictureName) {
  if (address.empty()) return Fail("Enter a Tumblr blogadress!");
  if (!fw::FolderItem::IsPlainName(folder)) return Fail("Enter an output foldername!");
  if (!fw::FolderItem::IsPlainName(pictureName)) return Fail("Enter a name for the pictures!");
  if (fw::InStr(address, ".") == 0) return Fail("Please enter a correct URL!");
  // The "." found above gives at least two pieces.
  if (!fw::StrEq(fw::At(fw::Split(address, "."), 1), "tumblr"))
    return Fail("This isnt a tumblr address!", /*clearAddress=*/true);

  // Only an address with a scheme, or a host and two more pieces, has the
  // three pieces the shortening takes; none past the last is ever read.
  const fw::StringArray pieces = fw::Split(address, "/");
  if (fw::Ubound(pieces) < 2) return Fail("Please enter a correct URL!");
  FormCheck ok;
  ok.normalised = fw::At(pieces, 0) + "/" + fw::At(pieces, 1) + "/" + fw::At(pieces, 2);
  return ok;
}

}  // namespace app
