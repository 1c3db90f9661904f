#include "main_window/DownloadWorker.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "framework/files/FileWriteQueue.h"
#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/net/HTTPSocket.h"
#include "framework/picture/Graphics.h"
#include "framework/picture/MemoryBlock.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/Int32.h"
#include "framework/runtime/JobQueue.h"
#include "framework/runtime/Nil.h"
#include "framework/text/Text.h"
#include "main_window/ExtractPicURLs.h"

namespace app {

namespace {

constexpr int32_t kRequestTimeoutSeconds = 30;
constexpr int32_t kPauseMs = 10000;

// The stamp drawn onto every picture.
constexpr uint32_t kStampColour = 0xFFFFFF;
constexpr char kStampFont[] = "Helvetica";
constexpr uint8_t kStampUnit = 2;
constexpr double kStampSize = 16.0;
constexpr int32_t kStampX = 5;
constexpr int32_t kStampY = 20;

constexpr int32_t kSaveQuality = 100;

// The conversion put in place of the real one; empty: the real one.
PictureConversion& ConversionSlot() {
  static PictureConversion conversion;
  return conversion;
}

// The downloaded bytes decoded, stamped with watermark and encoded as a JPEG;
// "" when they do not decode. Works on objects of its own only, so it runs
// with the runtime lock given up.
std::string DecodeStampEncode(std::string bytes, const std::string& watermark) {
  fw::Ref<fw::Picture> picture;
  {
    const fw::MemoryBlock block(std::move(bytes));
    picture = fw::Picture::FromData(block);
  }
  if (!picture) return {};
  // The context is fetched anew for every step; its settings persist.
  fw::NonNil(picture->Graphics()).SetForeColor(kStampColour);
  fw::NonNil(picture->Graphics()).SetBold(true);
  fw::NonNil(picture->Graphics()).SetTextFont(kStampFont);
  fw::NonNil(picture->Graphics()).SetTextUnit(kStampUnit);
  fw::NonNil(picture->Graphics()).SetTextSize(kStampSize);
  fw::NonNil(picture->Graphics()).DrawString(watermark, kStampX, kStampY, 0, false);
  return picture->Encode(fw::Picture::kFormatJPEG, kSaveQuality);
}

// What becomes of a picture after its download, in two stages on helper
// threads: the conversion, then the write (whole, flushed, then named). The
// worker fetches the next picture meanwhile; downloads stay one at a time,
// since only the worker makes them. A conversion that ends after the worker
// was killed is dropped.
struct PictureStages {
  fw::JobQueue converter;
  std::shared_ptr<fw::FileWriteQueue> writer = std::make_shared<fw::FileWriteQueue>();
  std::shared_ptr<const std::atomic<bool>> killed = fw::Thread::CurrentRunKilledFlag();

  // Raises, on the worker, what left a conversion (a stand-in's exception,
  // want of memory), as if the worker had converted the picture itself.
  void RaiseFailure() {
    if (std::exception_ptr failure = converter.TakeFailure()) std::rethrow_exception(failure);
  }
  // Every picture handed over is converted and on disk.
  void WaitAll() {
    fw::WithoutRuntimeLock([&] {
      converter.WaitAll();
      writer->WaitAll();
    });
    RaiseFailure();
  }
};

// One "jpg" address: takes up the next number, fetches the picture and hands
// it over to be converted and saved in folder. Nothing is saved when the
// download is not whole (cut short, reset, timed out, past the cap, or an
// address that cannot be sent), the picture does not decode, the file name
// gives no item in the folder or a file of that name exists already; the
// number is used up all the same.
void TakePicture(MainWindowProperties& props, fw::HTTPSocket& client, const fw::FolderItem& folder,
                 const std::string& address, PictureStages& stages) {
  props.count = fw::AddWrap(props.count, 1);
  std::string bytes = client.Get(address, kRequestTimeoutSeconds);
  // Part of a picture can decode as a whole one with a blank end; only a
  // download that ended as the server meant it is kept.
  if (client.Error() != fw::HTTPError::None) return;

  // Read under the lock, before the work that runs without it.
  const std::string fileName = props.picturename + "-" + fw::Str(props.count) + ".jpg";
  const fw::Ref<fw::FolderItem> target = folder.Child(fileName);
  if (!target || target->Exists()) return;

  // Decoding and encoding a large picture take long; the main thread and the
  // next download go on meanwhile. A Stop in that time lets the work run out
  // on its own and drops its result: nothing is saved.
  PictureConversion convert = ConversionSlot();
  if (!convert) convert = DecodeStampEncode;
  if (!stages.converter.HasRoom()) fw::WithoutRuntimeLock([&] { stages.converter.WaitForRoom(); });
  stages.RaiseFailure();
  stages.converter.Submit([convert = std::move(convert), bytes = std::move(bytes),
                           watermark = props.watermark, target, writer = stages.writer,
                           killed = stages.killed]() mutable {
    std::string encoded = convert(std::move(bytes), watermark);
    if (encoded.empty() || killed->load()) return;
    // Written whole under its name or not at all, and an existing file is
    // never replaced.
    writer->Submit(target, std::move(encoded));
  });
}

}  // namespace

void SetPictureConversion(PictureConversion conversion) {
  ConversionSlot() = std::move(conversion);
}

PictureConversion RealPictureConversion() { return DecodeStampEncode; }

void RunDownloadWorker(MainWindowProperties& props, fw::Thread& thread) {
  // Pictures converted before the worker is killed are written all the same.
  PictureStages stages;
  for (;;) {
    props.Page = fw::AddWrap(props.Page, 1);
    const auto pageClient = std::make_shared<fw::HTTPSocket>();
    const std::string pageAddress = props.url + "/page/" + fw::Str(props.Page);
    const fw::StringArray addresses =
        ExtractPicURLs(pageClient->Get(pageAddress, kRequestTimeoutSeconds));

    const auto pictureClient = std::make_shared<fw::HTTPSocket>();
    const fw::Ref<fw::FolderItem> desktop = fw::SpecialFolder::Desktop();
    // A folder name that is not one plain name gives no item: nothing of this
    // page is taken up, and nothing is written outside the Desktop.
    const fw::Ref<fw::FolderItem> outputFolder = fw::NonNil(desktop).Child(props.folder);
    if (outputFolder && !outputFolder->Exists()) outputFolder->CreateAsFolder();

    for (int32_t i = 0; i <= fw::Ubound(addresses); ++i) {
      const std::string& address = fw::At(addresses, i);
      if (outputFolder && fw::StrEq(fw::Right(address, 3), "jpg")) {
        TakePicture(props, *pictureClient, *outputFolder, address, stages);
      }
      fw::RuntimeBackgroundTask();
    }

    // Every picture of the page is on disk before the pause.
    stages.WaitAll();
    thread.Sleep(kPauseMs, false);
    fw::RuntimeBackgroundTask();
  }
}

}  // namespace app
