#pragma once
#include <functional>
#include <string>

namespace fw {

// Shows text in a modal message box titled with the application's name and
// returns when the user has dismissed it. Raises ThreadAccessingUIException on
// a worker thread (once the main-thread rule is active).
void MsgBox(const std::string& text);

// Replaces the message box (tests): handler gets the text and MsgBox returns
// when it returns. An empty handler puts the real box back. Never fails.
void SetMsgBoxHandler(std::function<void(const std::string&)> handler);

}  // namespace fw
