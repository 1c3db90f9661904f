#include "app/FileTypes1.h"

namespace app {

void FileTypes1::Initialize() {}

}  // namespace app
