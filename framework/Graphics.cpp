#include "framework/Graphics.h"

#include <QFont>

#include "framework/Picture.h"

namespace fw {

Graphics::Graphics(Picture* owner) : owner_(owner) {}

int32_t Graphics::Width() const { return owner_ ? owner_->Width() : 0; }
int32_t Graphics::Height() const { return owner_ ? owner_->Height() : 0; }

QFont Graphics::MakeFont() const { return QFont(); }

void Graphics::DrawString(const std::string&, int32_t, int32_t, int32_t, bool) {}

void Graphics::DrawPicture(const Ref<Picture>& pic, int32_t, int32_t, int32_t, int32_t, int32_t,
                           int32_t, int32_t, int32_t) {
  CheckNil(pic);
}

}  // namespace fw
