#pragma once
#include <functional>
#include <string>

namespace fw {

// Hands address to the system to open in the user's default web browser.
// Reports nothing, also when the address cannot be opened; no main-thread
// check (from a worker the request goes through the main thread's queue).
void ShowURL(const std::string& address);

// Replaces the opening (tests): handler gets the address instead. An empty
// handler puts the real opening back. Never fails.
void SetShowURLHandler(std::function<void(const std::string&)> handler);

}  // namespace fw
