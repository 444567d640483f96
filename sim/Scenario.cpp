#include "sim/Scenario.h"

#include "platform/Calendar.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <limits>
#include <utility>

namespace pixlor::sim {

namespace {

using Json = nlohmann::json;

struct KindName {
    const char* name;
    FaultKind kind;
};
// clang-format off
constexpr KindName KIND_NAMES[] = {
    {"nak", FaultKind::Nak},
    {"refuse", FaultKind::Refuse},
    {"unexpected", FaultKind::Unexpected},
    {"damage", FaultKind::Damage},
    {"overlongLength", FaultKind::OverlongLength},
    {"reorder", FaultKind::Reorder},
    {"silence", FaultKind::Silence},
    {"completion", FaultKind::Completion},
    {"powerCycle", FaultKind::PowerCycle},
};
// clang-format on

struct CommandName {
    const char* name;
    std::uint8_t code;
};
// clang-format off
constexpr CommandName COMMAND_NAMES[] = {
    {"set", CMD_SET_REGISTER},
    {"get", CMD_GET_REGISTER},
    {"action", CMD_ACTION},
    {"data", CMD_REQUEST_DATA},
};
// clang-format on

// Reads the members of one JSON object, each at most once, and reports the first problem with
// the path of the member ("faults[2].times").
class Reader {
public:
    Reader(const Json& object, std::string path, std::string& error)
        : object_(object), path_(std::move(path)), error_(error) {}

    bool isObject(std::initializer_list<const char*> allowed) {
        if (!object_.is_object()) return fail(path_, "must be an object");
        for (const auto& [key, value] : object_.items()) {
            bool known = false;
            for (const char* name : allowed) known = known || key == name;
            if (!known) return fail(path_, "has the unknown member \"" + key + "\"");
        }
        return true;
    }
    bool has(const char* name) const { return object_.contains(name); }
    const Json& at(const char* name) const { return object_.at(name); }
    std::string pathOf(const char* name) const { return path_ + "." + name; }

    // An integer member within [low, high]; absent leaves `out` as it is unless required.
    bool integer(const char* name, std::int64_t low, std::int64_t high, std::int64_t& out,
                 bool required = false) {
        if (!has(name)) return required ? fail(pathOf(name), "is missing") : true;
        const Json& value = at(name);
        if (!value.is_number_integer()) return fail(pathOf(name), "must be a whole number");
        std::int64_t number = 0;
        if (value.is_number_unsigned()) {
            const auto unsignedNumber = value.get<std::uint64_t>();
            if (unsignedNumber > static_cast<std::uint64_t>(high))
                return outOfRange(name, low, high);
            number = static_cast<std::int64_t>(unsignedNumber);
        } else {
            number = value.get<std::int64_t>();
        }
        if (number < low || number > high) return outOfRange(name, low, high);
        out = number;
        return true;
    }

    bool fail(const std::string& where, const std::string& what) {
        error_ = where + " " + what;
        return false;
    }

private:
    bool outOfRange(const char* name, std::int64_t low, std::int64_t high) {
        return fail(pathOf(name),
                    "must lie between " + std::to_string(low) + " and " + std::to_string(high));
    }

    const Json& object_;
    std::string path_;
    std::string& error_;
};

// "2002-07-05 12:30:00" as seconds since 1970, calendar time.
bool parseDateTime(const std::string& text, std::int64_t& seconds) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &year, &month, &day, &hour, &minute,
                    &second, &used) != 6 ||
        static_cast<std::size_t>(used) != text.size())
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 ||
        hour < 0 || minute < 0 || second < 0)
        return false;
    seconds =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second;
    const CivilTime back = civilFromSeconds(seconds);  // catches 31 April and 29 February 2001
    return back.day == static_cast<unsigned>(day) && back.month == static_cast<unsigned>(month);
}

bool parsePicture(const Json& json, const std::string& path, PictureContent content,
                  Picture& picture, std::string& error) {
    Reader reader(json, path, error);
    if (!reader.isObject({"photoSize", "thumbSize", "shootingTime", "width", "height"}))
        return false;
    // A JPEG picture may leave its sizes to the image; plain data has none of its own.
    const bool jpeg = content == PictureContent::Jpeg;
    std::int64_t photo = NATURAL_SIZE, thumb = NATURAL_SIZE, time = 0;
    constexpr std::int64_t MAX_SIZE = NATURAL_SIZE - 1;
    if (!reader.integer("photoSize", 0, MAX_SIZE, photo, !jpeg) ||
        !reader.integer("thumbSize", 0, MAX_SIZE, thumb, !jpeg))
        return false;
    if (!reader.has("shootingTime"))
        return reader.fail(reader.pathOf("shootingTime"), "is missing");
    if (reader.at("shootingTime").is_string()) {
        if (!parseDateTime(reader.at("shootingTime").get<std::string>(), time))
            return reader.fail(reader.pathOf("shootingTime"),
                               "must be a date \"YYYY-MM-DD hh:mm:ss\" or a number of seconds");
        if (time < std::numeric_limits<std::int32_t>::min() ||
            time > std::numeric_limits<std::int32_t>::max())
            return reader.fail(reader.pathOf("shootingTime"),
                               "lies outside what the camera's 32-bit clock can hold");
    } else if (!reader.integer("shootingTime", std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max(), time)) {
        return false;
    }
    std::int64_t width = 0, height = 0;
    if (reader.has("width") != reader.has("height"))
        return reader.fail(path, "gives one of width and height without the other");
    if (reader.has("width") && !jpeg)
        return reader.fail(path, "has dimensions, which only JPEG pictures have");
    if (!reader.integer("width", PICTURE_LEAST_SIDE, PICTURE_LARGEST_SIDE, width) ||
        !reader.integer("height", PICTURE_LEAST_SIDE, PICTURE_LARGEST_SIDE, height))
        return false;
    picture = Picture{static_cast<std::uint32_t>(photo), static_cast<std::uint32_t>(thumb),
                      static_cast<std::int32_t>(time),   0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)};
    return true;
}

bool parseFault(const Json& json, const std::string& path, Fault& fault, std::string& error) {
    Reader reader(json, path, error);
    if (!reader.isObject({"kind", "command", "register", "action", "times", "packet", "value"}))
        return false;

    if (!reader.has("kind") || !reader.at("kind").is_string())
        return reader.fail(reader.pathOf("kind"), "must name the fault");
    const std::string kind = reader.at("kind").get<std::string>();
    bool known = false;
    for (const KindName& entry : KIND_NAMES)
        if (kind == entry.name) {
            fault.kind = entry.kind;
            known = true;
        }
    if (!known) return reader.fail(reader.pathOf("kind"), "\"" + kind + "\" is not a fault kind");

    if (reader.has("command")) {
        const Json& command = reader.at("command");
        const std::string name = command.is_string() ? command.get<std::string>() : "";
        bool found = name == "any";
        for (const CommandName& entry : COMMAND_NAMES)
            if (name == entry.name) {
                fault.on.code = entry.code;
                found = true;
            }
        if (!found)
            return reader.fail(reader.pathOf("command"),
                               "must be \"set\", \"get\", \"action\", \"data\" or \"any\"");
    }
    if (reader.has("register") && reader.has("action"))
        return reader.fail(path, "names both a register and an action");
    const char* targetName = reader.has("action") ? "action" : "register";
    if (reader.has(targetName)) {
        std::int64_t target = 0;
        if (!reader.integer(targetName, 0, 255, target)) return false;
        fault.on.target = static_cast<std::uint8_t>(target);
        if (reader.has("action") && !fault.on.code) fault.on.code = CMD_ACTION;
    }

    if (reader.has("times") && reader.at("times").is_string()) {
        if (reader.at("times").get<std::string>() != "forever")
            return reader.fail(reader.pathOf("times"), "must be a count or \"forever\"");
        fault.times = FAULT_FOREVER;
    } else {
        std::int64_t times = 1;
        if (!reader.integer("times", 1, 1000000, times)) return false;
        fault.times = static_cast<int>(times);
    }

    std::int64_t packet = -1;
    if (!reader.integer("packet", 0, 0xFFFFFF, packet)) return false;
    fault.packet = static_cast<int>(packet);
    const bool perPacket = fault.kind == FaultKind::Damage ||
                           fault.kind == FaultKind::OverlongLength ||
                           fault.kind == FaultKind::Reorder;
    const bool perCommand = fault.kind == FaultKind::Nak || fault.kind == FaultKind::Refuse ||
                            fault.kind == FaultKind::Completion ||
                            fault.kind == FaultKind::PowerCycle;
    if (perPacket && fault.packet < 0)
        return reader.fail(reader.pathOf("packet"), "is missing (the data packet to spoil)");
    if (perCommand && fault.packet >= 0)
        return reader.fail(reader.pathOf("packet"), "does not apply to a \"" + kind + "\" fault");

    std::int64_t value = 0;
    if (fault.kind == FaultKind::Unexpected) {
        if (!reader.integer("value", 0, 255, value, true)) return false;
    } else if (fault.kind == FaultKind::OverlongLength) {
        if (!reader.integer("value", 0, 0xFFFF, value, true)) return false;
    } else if (fault.kind == FaultKind::Completion) {
        value = CAM_COMPLETE;
        if (reader.has("value") && reader.at("value").is_string()) {
            if (reader.at("value").get<std::string>() != "none")
                return reader.fail(reader.pathOf("value"), "must be a byte or \"none\"");
            value = -1;
        } else if (!reader.integer("value", 0, 255, value, true)) {
            return false;
        }
    } else if (reader.has("value")) {
        return reader.fail(reader.pathOf("value"), "does not apply to a \"" + kind + "\" fault");
    }
    fault.value = static_cast<int>(value);
    return true;
}

}  // namespace

bool parseScenario(const std::string& text, Scenario& scenario, std::string& error) {
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded()) {
        error = "the scenario is not valid JSON";
        return false;
    }
    Reader reader(json, "scenario", error);
    if (!reader.isObject({"content", "seed", "packetSize", "pictures", "faults"})) return false;
    Scenario result;
    if (reader.has("content")) {
        const Json& content = reader.at("content");
        const std::string name = content.is_string() ? content.get<std::string>() : "";
        if (name != "jpeg" && name != "data")
            return reader.fail(reader.pathOf("content"), "must be \"jpeg\" or \"data\"");
        result.content = name == "jpeg" ? PictureContent::Jpeg : PictureContent::Data;
    }
    std::int64_t seed = result.seed, packetSize = result.packetSize;
    if (!reader.integer("seed", 0, std::numeric_limits<std::uint32_t>::max(), seed) ||
        !reader.integer("packetSize", 1, 0xFFFF, packetSize))
        return false;
    result.seed = static_cast<std::uint32_t>(seed);
    result.packetSize = static_cast<std::uint32_t>(packetSize);

    for (const char* list : {"pictures", "faults"}) {
        if (reader.has(list) && !reader.at(list).is_array())
            return reader.fail(reader.pathOf(list), "must be a list");
    }
    if (reader.has("pictures")) {
        std::size_t index = 0;
        for (const Json& entry : reader.at("pictures")) {
            Picture picture;
            if (!parsePicture(entry, "pictures[" + std::to_string(index++) + "]", result.content,
                              picture, error))
                return false;
            result.pictures.push_back(picture);
        }
    }
    if (reader.has("faults")) {
        std::size_t index = 0;
        for (const Json& entry : reader.at("faults")) {
            Fault fault;
            if (!parseFault(entry, "faults[" + std::to_string(index++) + "]", fault, error))
                return false;
            result.faults.push_back(fault);
        }
    }
    scenario = std::move(result);
    return true;
}

std::vector<Picture> defaultPictures(unsigned count) {
    constexpr std::int32_t FIRST_SHOT = 1025870400;  // 2002-07-05 12:00:00
    std::vector<Picture> pictures;
    for (unsigned i = 0; i < count; ++i) {
        Picture picture;
        picture.photoSize = 20000 + (i * 7919u) % 60000;
        picture.thumbSize = 3000 + (i * 631u) % 3000;  // room for a 160 x 120 JPEG image
        // Three pictures a day, a quarter of an hour apart.
        picture.shootingTime =
            FIRST_SHOT + static_cast<std::int32_t>((i / 3) * 86400 + (i % 3) * 900);
        pictures.push_back(picture);
    }
    return pictures;
}

CameraModel cameraFor(const Scenario& scenario) {
    CameraModel camera(scenario.pictures, scenario.seed, scenario.packetSize);
    for (const Fault& fault : scenario.faults) camera.addFault(fault);
    return camera;
}

}  // namespace pixlor::sim
