#pragma once
// The server time record as readers see it: a JSON object of exactly two
// text members.

#include <json/json.h>

#include <optional>
#include <sstream>
#include <string>

struct NPublishedRecord {
    std::string strTick;
    std::string strServerTime;
};

// Nothing unless text is a JSON object with exactly the members
// AtGetTickCount and ServerTime, both texts.
inline std::optional<NPublishedRecord> ParsePublishedRecord(const std::string& text) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream stream(text);
    if (!Json::parseFromStream(builder, stream, &root, &errors) || !root.isObject() ||
        root.size() != 2 || !root["AtGetTickCount"].isString() || !root["ServerTime"].isString()) {
        return std::nullopt;
    }
    return NPublishedRecord{root["AtGetTickCount"].asString(), root["ServerTime"].asString()};
}
