// Golden images: a rendered surface compared pixel for pixel with a stored PNG in
// tests/data/golden/. After a deliberate change of the drawing, rewrite them with
//     VORNEX_REGENERATE_GOLDEN=1 <build>/tests/vornex_tests_view
// and look at the new images before committing them.
#pragma once

#include "view/surface.h"

#include <string>

namespace vx::testing {

// Compares `surface` with golden/<name>.png (or writes it when regenerating), as gtest
// expectations.
void expect_golden(const view::Surface& surface, const std::string& name);

}  // namespace vx::testing
