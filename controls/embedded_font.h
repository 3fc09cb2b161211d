// The program's own font face, registered for this process only from its resources.
#pragma once

#include <windows.h>

#include <vector>

#include "wingui/handles.h"

class EmbeddedFont {
 public:
  // Registers each RCDATA font resource; true when all were registered.
  bool Register(HINSTANCE module, std::initializer_list<int> ids);
  size_t Count() const { return fonts_.size(); }

 private:
  std::vector<wingui::UniqueFontResource> fonts_;
};
