#pragma once

namespace fw {

// Fills the plug-in entry-point table with the functions of the framework's
// plug-ins (the regular-expression engine). Calling it again does nothing; it
// cannot fail.
void InitPluginEntrypoints();

}  // namespace fw
