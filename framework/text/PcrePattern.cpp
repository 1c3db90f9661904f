#include "framework/text/PcrePattern.h"

#include <cstdint>
#include <utility>

#include "framework/runtime/RuntimeException.h"

namespace fw {

PcrePattern::PcrePattern(Ref<const PcreEngine> engine, const std::string& pattern, uint32_t flags)
    : engine_(std::move(engine)), pattern_(pattern), flags_(flags) {
  const PcreEngine& e = NonNil(engine_);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  code_ = e.compile(reinterpret_cast<PCRE2_SPTR8>(pattern.data()), pattern.size(), flags, &error,
                    &errorOffset, nullptr);
  if (!code_) {
    Fail(error, ("Invalid search pattern at offset " + std::to_string(errorOffset)).c_str());
  }
  // The JIT is what keeps a search linear where the interpreter would retry
  // the rest of the text from every later start (a tag whose value is never
  // closed as the pattern expects); the interpreter stays as the fallback.
  if (e.jitCompile(code_, PCRE2_JIT_COMPLETE) == 0) jitMatch_ = e.jitMatch;
  data_ = e.matchDataCreate(code_, nullptr);
  // The default limits (ten million steps) end a search on a page of some ten
  // megabytes with an error, though the JIT's scan of it is linear and quick.
  context_ = e.matchContextCreate(nullptr);
  if (context_) {
    e.setMatchLimit(context_, UINT32_MAX);
    e.setDepthLimit(context_, UINT32_MAX);
    e.setHeapLimit(context_, UINT32_MAX);
  }
  if (!data_ || !context_) {
    Release();
    throw RuntimeException("Out of memory for the regular-expression engine.");
  }
  ovector_ = e.ovectorPointer(data_);
  pairs_ = e.ovectorCount(data_);
}

PcrePattern::~PcrePattern() { Release(); }

void PcrePattern::Release() {
  if (context_) engine_->matchContextFree(context_);
  if (data_) engine_->matchDataFree(data_);
  if (code_) engine_->codeFree(code_);
  data_ = nullptr;
  code_ = nullptr;
  context_ = nullptr;
}

bool PcrePattern::MatchSlowly(std::string_view subject, size_t start, uint32_t options, int jitRc) {
  const PcreEngine& e = *engine_;
  const PCRE2_SPTR8 text = Text(subject);
  int rc = jitRc != kNotRun ? jitRc
                            : e.match(code_, text, subject.size(), start, options, data_, context_);
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
    // The JIT's own stack ran out on a deep backtrack; the interpreter keeps
    // its frames on the heap.
    rc = e.match(code_, text, subject.size(), start, options | PCRE2_NO_JIT, data_, context_);
  }
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) Fail(rc, "The regular-expression search failed");
  return true;
}

void PcrePattern::Fail(int code, const char* what) const {
  PCRE2_UCHAR8 buffer[256] = {};
  std::string message = what;
  if (engine_->errorMessage(code, buffer, sizeof buffer) > 0) {
    message += ": ";
    message += reinterpret_cast<const char*>(buffer);
  }
  throw RuntimeException(message + ".", code);
}

}  // namespace fw
