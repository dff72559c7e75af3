#pragma once
// The forms in which titles write a scene's "PATH", each with the folder
// below the data folder that it names.
#include <string>
#include <vector>

namespace testsupport {

struct ScenePathForm {
    std::string path;   // as the definition writes it
    std::string folder; // below "Rara", with '/'
};

inline std::vector<ScenePathForm> scenePathForms()
{
    return {{"S", "S"}, {"\\S", "S"}, {"S\\", "S"}, {"\\S\\", "S"}, {"A\\B", "A/B"}};
}

} // namespace testsupport
