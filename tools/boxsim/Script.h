#pragma once

#include <string>

#include "Box.h"

namespace boxsim {

struct ScriptOptions {
    std::string path;
    std::string markDir;
    bool quiet = false;
};

int RunScript(Box& box, const ScriptOptions& options);

}  // namespace boxsim
