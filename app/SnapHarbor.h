#pragma once
#include "framework/classes/ClassRecord.h"
#include "framework/ui/Application.h"

namespace app {

// The application class ("snapHarbor"). It handles none of the application's
// events and registers no menu handlers; start-up makes its one object.
class snapHarbor : public fw::Application {
 public:
  // The class record (built on first use; start-up builds it first of the
  // program's classes). Cannot fail.
  static const fw::ClassRecord& Lookup();
  const fw::ClassRecord& Class() const override;

  // Does nothing (it runs no constructor of Application). Cannot fail.
  void Constructor() override;
};

}  // namespace app
