#include "sim/trace.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>

#include <nlohmann/json.hpp>

namespace velmora::sim {

TraceRow captureRow(const World& world, const PluginColumns& plugin) {
    TraceRow row;
    row.frame = world.frame;
    row.t = world.time;
    if (characterSeated(world)) {
        if (const SimVehicle* v = world.findVehicle(world.player.vehicle)) {
            const Pose pose = vehiclePose(world, *v);
            row.inVehicle = true;
            row.vehicle = v->name;
            row.vehiclePosition = pose.position;
            row.vehicleYaw = decomposeRotation(pose.orientation, kOrderBody).z;
            row.speed = vehicleVelocity(world, *v).norm();
            row.inAir = v->inAir();
        }
    }
    const View view = shownView(world);
    row.scripted = view.scripted;
    row.cameraPosition = view.pose.position;
    row.cameraRotation = view.rotation;
    row.cameraFov = view.fov;
    row.onFootViewMode = world.onFootViewMode;
    row.vehicleViewMode = world.vehicleViewMode;
    row.cinematic = world.cinematic;
    row.minimap = world.minimapAngle;
    row.phoneScale = world.phoneScale;
    row.plugin = plugin;
    row.notifications = world.notificationsTotal;
    row.nativeCalls = world.log.nativeCalls;
    return row;
}

std::string traceHeader() {
    return "frame,t,inVehicle,vehicle,vehX,vehY,vehZ,vehYaw,speed,inAir,view,camX,camY,camZ,camPitch,camRoll,camYaw,"
           "camFov,onFootViewMode,vehicleViewMode,cinematic,minimap,phoneScale,mode,cameraIndex,modEnabled,"
           "cameraActive,"
           "notifications,nativeCalls,menuOpen,menuPage,menuRow";
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string formatTraceRow(const TraceRow& r) {
    // Adding zero turns a negative zero into a plain one, so "-0.0000" never shows.
    auto d = [](float value) { return static_cast<double>(value) + 0.0; };
    char head[64], line[512];
    std::snprintf(head, sizeof head, "%d,%.4f,%d,", r.frame, r.t + 0.0, r.inVehicle ? 1 : 0);
    // The vehicle's name is the scenario's: any length, any characters, so it is quoted as CSV
    // needs and kept out of the fixed-size part.
    std::snprintf(
        line, sizeof line,
        ",%.5f,%.5f,%.5f,%.4f,%.4f,%d,%s,%.5f,%.5f,%.5f,%.4f,%.4f,%.4f,%.4f,%d,%d,%d,%d,%.4f,%s,%d,%d,%d,%d,%d,%d,"
        "%d,%d",
        d(r.vehiclePosition.x()), d(r.vehiclePosition.y()), d(r.vehiclePosition.z()), d(r.vehicleYaw), d(r.speed),
        r.inAir ? 1 : 0, r.scripted ? "scripted" : "game", d(r.cameraPosition.x()), d(r.cameraPosition.y()),
        d(r.cameraPosition.z()), d(r.cameraRotation.x), d(r.cameraRotation.y), d(r.cameraRotation.z), d(r.cameraFov),
        r.onFootViewMode, r.vehicleViewMode, r.cinematic ? 1 : 0, r.minimap, d(r.phoneScale), r.plugin.mode.c_str(),
        r.plugin.cameraIndex, r.plugin.modEnabled ? 1 : 0, r.plugin.cameraActive ? 1 : 0, r.notifications,
        r.nativeCalls, r.plugin.menuOpen ? 1 : 0, r.plugin.menuPage, r.plugin.menuRow);
    return head + csvField(r.vehicle) + line;
}

void writeTrace(std::ostream& out, const std::vector<TraceRow>& rows) {
    out << traceHeader() << '\n';
    for (const TraceRow& row : rows) out << formatTraceRow(row) << '\n';
}

namespace {

// A float as its shortest text that reads back to it ("0.055", not 0.054999999701976776).
double shortest(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::strtod(std::string(text, end).c_str(), nullptr);
}

}  // namespace

void writeDraws(std::ostream& out, const std::vector<std::pair<int, std::vector<DrawCall>>>& draws) {
    for (const auto& [frame, calls] : draws) writeFrameDraws(out, frame, calls);
}

void writeFrameDraws(std::ostream& out, int frame, const std::vector<DrawCall>& calls) {
    for (const DrawCall& d : calls) {
        nlohmann::json line;
        line["frame"] = frame;
        line["kind"] = d.kind == DrawCall::Kind::Text ? "text" : "rect";
        if (d.kind == DrawCall::Kind::Text) line["text"] = d.text;
        line["x"] = shortest(d.x);
        line["y"] = shortest(d.y);
        if (d.kind == DrawCall::Kind::Rect) {
            line["width"] = shortest(d.width);
            line["height"] = shortest(d.height);
        } else {
            line["scale"] = shortest(d.scale);
            line["font"] = d.font;
            line["outline"] = d.outline;
            line["centre"] = d.centre;
            line["wrap"] = {shortest(d.wrapStart), shortest(d.wrapEnd)};
        }
        line["colour"] = d.colour;
        out << line.dump() << '\n';
    }
}

bool writeDrawsFile(const std::string& path, const std::vector<std::pair<int, std::vector<DrawCall>>>& draws) {
    std::ofstream out(path, std::ios::binary);
    writeDraws(out, draws);
    out.close();
    return static_cast<bool>(out);
}

bool writeTraceFile(const std::string& path, const std::vector<TraceRow>& rows) {
    std::ofstream out(path, std::ios::binary);
    writeTrace(out, rows);
    out.close();
    return static_cast<bool>(out);
}

}  // namespace velmora::sim
