#pragma once

namespace fw {

// Thrown at a worker's yield point after Kill; unwinds the worker to its top,
// so RAII releases what it held. Deliberately not a RuntimeException: program
// code never catches it.
struct ThreadKilled {};

}  // namespace fw
