#pragma once
// The program's pictures, compiled in.

#include <QIcon>
#include <string_view>

namespace qtrt {

// The picture of that name in the sizes it comes in; null where there is none.
QIcon Picture(std::u16string_view picture);

}  // namespace qtrt
