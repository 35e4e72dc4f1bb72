#include "ui/late_pictures.h"

#include <sys/resource.h>

#include <chrono>

namespace skelvar::ui {

LatePictures::LatePictures(std::span<const EmbeddedFile> files, const ImageCatalogue& catalogue)
    : files_(files), catalogue_(catalogue) {
  decoding_ = std::async(std::launch::async, [files, &catalogue] {
    // Behind the window's start-up on a busy processor: Linux gives each thread its own nice
    // value, and the threads this one starts inherit it.
    setpriority(PRIO_PROCESS, 0, 10);
    return DecodeJpegs(files, catalogue, 0, PictureGroup::Rest);
  });
}

// A decoding still running is waited for: its threads read the files this object points to.
LatePictures::~LatePictures() {
  if (decoding_.valid()) decoding_.wait();
}

bool LatePictures::Ready() const {
  return !decoding_.valid() ||
         decoding_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

bool LatePictures::Deliver(SceneRenderer& renderer, std::vector<std::string>* warnings,
                           std::string* error) {
  if (!decoding_.valid()) return true;
  auto pictures =
      DecodePictures(files_, catalogue_, decoding_.get(), warnings, error, PictureGroup::Rest);
  if (!pictures) return false;
  renderer.AddPictures(std::move(*pictures));
  // Uploaded now, so that the run's first frame does not wait for them.
  renderer.Preload();
  return true;
}

}  // namespace skelvar::ui
