#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/runtime/Nil.h"

namespace fw {

// A file or folder by its absolute path; the item need not exist. Carries no
// open handle: every call looks at the file system afresh.
class FolderItem {
 public:
  // The item at path. A relative path is taken from the working folder; repeated
  // slashes, "." and ".." parts are resolved in the text (links are not followed).
  explicit FolderItem(const std::string& path);

  // The item at path; Nil for an empty path or one holding a NUL byte.
  static Ref<FolderItem> FromPath(const std::string& path);

  // The absolute path, without a closing slash (only "/" ends in one).
  const std::string& NativePath() const { return path_; }
  // The last part of the path; "" for "/".
  std::string Name() const;
  // The folder holding the item; Nil for "/".
  Ref<FolderItem> Parent() const;
  // True when name can be one entry of a folder: not empty, not "." or "..",
  // and holding neither "/" nor a NUL byte. Never fails.
  static bool IsPlainName(std::string_view name);
  // The entry called name inside this folder, existing or not. Nil unless name
  // is one plain name (IsPlainName), so the child never lies outside the folder.
  Ref<FolderItem> Child(const std::string& name) const;

  // True when something (a file, folder or link, even a dangling one) is there.
  bool Exists() const;
  // True when the item is a folder (or a link to one); false when missing.
  bool IsFolder() const;
  // Makes the folder (not its parents); does nothing when it cannot, for
  // instance when it exists already. No result: look with IsFolder.
  void CreateAsFolder() const;
  // Number of entries in the folder, hidden ones included, "." and ".."
  // excluded; 0 for a missing item or one that is not a readable folder.
  int32_t Count() const;
  // The entries of the folder at path, as Count gives them, for callers that
  // count off the main thread: 0 when it cannot be read; -1 once more than
  // limit entries have been seen (limit < 0: no limit) or once *stop reads
  // true (looked at every 1024 entries). Touches no runtime state.
  static int64_t CountEntries(const std::string& path, int64_t limit = -1,
                              const std::atomic<bool>* stop = nullptr);

  // Writes bytes as a new file at this item: into a temporary file in the same
  // folder (unnamed where the file system allows, else a hidden
  // ".<name>.part-XXXXXX"), flushed to disk and only then put in place under
  // the item's name, so a partial file never shows under that name. False when
  // a file of that name exists (it is left untouched), the folder is missing or
  // any write fails; the temporary file is then removed. Touches no shared
  // runtime state.
  bool WriteNewFile(const std::string& bytes) const;

  // For tests: true makes WriteNewFile use the named temporary file even where
  // an unnamed one could be had.
  static void SetNamedTempFilesForTests(bool namedOnly);

 private:
  std::string path_;
};

}  // namespace fw
