#pragma once
// An image list: pictures addressed by 0-based index, as the folder tree names them. An index
// outside the list, or a slot left empty, shows no picture.

#include <QIcon>
#include <vector>

namespace pellmark::gui {

using ImageList = std::vector<QIcon>;

}  // namespace pellmark::gui
