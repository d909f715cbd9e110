// The trace of a run: one CSV row per game frame, written when the script yields.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/types.h"
#include "sim/world.h"

namespace velmora::sim {

// The plug-in's own state as the trace shows it.
struct PluginColumns {
    std::string mode;  // "first" or "third"
    std::int32_t cameraIndex = 0;
    bool modEnabled = false;
    bool cameraActive = false;
    bool menuOpen = false;      // the settings menu is shown
    std::int32_t menuPage = 0;  // its page
    std::int32_t menuRow = 0;   // its selected row
};

struct TraceRow {
    int frame = 0;
    double t = 0.0;          // game seconds
    bool inVehicle = false;  // the player sits in a vehicle
    std::string vehicle;     // its scenario name
    Vector3 vehiclePosition = Vector3::Zero();
    float vehicleYaw = 0.0f;  // degrees
    float speed = 0.0f;       // metres per second
    bool inAir = false;       // the game says the vehicle is in the air
    bool scripted = false;    // a scripted camera is shown
    Vector3 cameraPosition = Vector3::Zero();
    Rotation cameraRotation;  // degrees: pitch, roll, yaw
    float cameraFov = 0.0f;
    std::int32_t onFootViewMode = 0;   // the game's on-foot view mode
    std::int32_t vehicleViewMode = 0;  // the game's in-vehicle view mode
    bool cinematic = false;            // the game's cinematic vehicle camera is on
    std::int32_t minimap = -1;         // the minimap's locked angle, -1 while unlocked
    float phoneScale = -1.0f;          // the phone's render scale last set, -1 before any
    PluginColumns plugin;
    int notifications = 0;  // posted since the start
    int nativeCalls = 0;    // this frame
};

TraceRow captureRow(const World& world, const PluginColumns& plugin);

std::string traceHeader();
// A text as one CSV field: quoted (with inner quotes doubled) when it holds a comma, a quote
// or a line break.
std::string csvField(const std::string& text);

std::string formatTraceRow(const TraceRow& row);
void writeTrace(std::ostream& out, const std::vector<TraceRow>& rows);
// The draw calls of a run as JSON lines, one a call, in call order: frame, kind, text,
// position, size, scale, font, colour and the text's outline, centring and wrap.
void writeDraws(std::ostream& out, const std::vector<std::pair<int, std::vector<DrawCall>>>& draws);
// One frame's draw calls, as writeDraws writes them.
void writeFrameDraws(std::ostream& out, int frame, const std::vector<DrawCall>& calls);
bool writeDrawsFile(const std::string& path, const std::vector<std::pair<int, std::vector<DrawCall>>>& draws);

// Writes the trace to a file; false when it cannot be written.
bool writeTraceFile(const std::string& path, const std::vector<TraceRow>& rows);

}  // namespace velmora::sim
