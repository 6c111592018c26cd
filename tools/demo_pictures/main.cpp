// demo-pictures: draws the demo menu's background, button pictures and icon under the file
// names and at the places that the menu's autorun.ini gives them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/application.h"
#include "platform/sim/sim.h"
#include "tools/demo_pictures/artwork.h"
#include "tools/demo_pictures/picture_files.h"

namespace {

constexpr int backgroundWidth = 480;
constexpr int backgroundHeight = 352;
constexpr int buttonWidth = 260;
constexpr int buttonHeight = 44;
constexpr int iconSize = 32;

// The label drawn on button n is labels[n - 1].
const std::vector<std::string> labels = {"INSTALL DEMO", "READ ME", "START DEMO", "CLOSE"};

const char* const stateKeys[] = {"NABitmap", "ABitmap", "PBitmap", "DBitmap"};
const demo::ButtonState states[] = {demo::ButtonState::normal, demo::ButtonState::hover,
                                    demo::ButtonState::pressed, demo::ButtonState::disabled};

int fail(const std::string& message) {
    std::fprintf(stderr, "demo-pictures: %s\n", message.c_str());
    return 2;
}

// The value the menu reads for key in section, as a std::string.
std::string setting(autorun::Application& app, const std::string& section, const char* key) {
    app.lookup(section.c_str(), key);
    const autorun::String& v = app.currentValue;
    return v.length() > 0 ? std::string(v.text(), static_cast<size_t>(v.length())) : std::string();
}

// Where a file name of the menu's folder lands below the output folder; empty when the name
// leaves the folder or names nothing.
std::filesystem::path outputPath(const std::filesystem::path& folder, std::string name) {
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    std::filesystem::path relative = std::filesystem::path(name).lexically_normal();
    if (name.empty() || relative.is_absolute() || relative.has_root_name() ||
        *relative.begin() == "..")
        return {};
    return folder / relative;
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) error = "cannot write " + path.string();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return fail("usage: demo-pictures MENU_FOLDER OUTPUT_FOLDER");
    const std::filesystem::path menuFolder = argv[1], outputFolder = argv[2];
    if (!std::filesystem::is_regular_file(menuFolder / "autorun.ini"))
        return fail("no autorun.ini in " + menuFolder.string());

    // The menu's own reader answers, so the pictures follow exactly what the menu will read.
    autorun::sim::reset();
    autorun::sim::setCurrentDirectory("C:\\menu");
    autorun::sim::mapFolder(menuFolder.string());
    autorun::Application app;

    std::string error;
    const demo::Canvas background = demo::backgroundPicture(backgroundWidth, backgroundHeight);
    std::filesystem::path path = outputPath(outputFolder, setting(app, "Main", "BackGround"));
    if (path.empty()) return fail("[Main] BackGround names no file inside the menu folder");
    if (!writeFile(path, demo::bmpFile(background), error)) return fail(error);

    path = outputPath(outputFolder, setting(app, "Main", "Icon"));
    if (path.empty()) return fail("[Main] Icon names no file inside the menu folder");
    if (!writeFile(path, demo::icoFile(demo::iconPicture(iconSize)), error)) return fail(error);

    const int count = std::atoi(setting(app, "Main", "Buttons").c_str());
    if (count != static_cast<int>(labels.size()))
        return fail("[Main] Buttons is " + std::to_string(count) + "; the demo draws " +
                    std::to_string(labels.size()) + " buttons");
    for (int n = 1; n <= count; ++n) {
        const std::string section = "Button" + std::to_string(n);
        const std::string top = setting(app, section, "Top");
        const std::string left = setting(app, section, "Left");
        if (top.empty() || left.empty()) return fail(section + " has no Top or Left");
        const int x = std::atoi(left.c_str()), y = std::atoi(top.c_str());
        if (x < 0 || y < 0 || x + buttonWidth > backgroundWidth ||
            y + buttonHeight > backgroundHeight)
            return fail(section + " does not fit on the background");
        for (int s = 0; s < 4; ++s) {
            path = outputPath(outputFolder, setting(app, section, stateKeys[s]));
            if (path.empty())
                return fail(section + " " + stateKeys[s] + " names no file inside the folder");
            demo::Canvas picture = demo::buttonPicture(background, x, y, buttonWidth, buttonHeight,
                                                       labels[n - 1], states[s]);
            if (!writeFile(path, demo::bmpFile(picture), error)) return fail(error);
        }
    }
    return 0;
}
