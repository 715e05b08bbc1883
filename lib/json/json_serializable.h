#pragma once
// NJsonSerializable: base class of records that travel as JSON objects.

#include <json/forwards.h>

class NJsonSerializable {
public:
    NJsonSerializable() = default;
    NJsonSerializable(const NJsonSerializable&) = default;
    NJsonSerializable& operator=(const NJsonSerializable&) = default;
    NJsonSerializable(NJsonSerializable&&) = default;
    NJsonSerializable& operator=(NJsonSerializable&&) = default;
    virtual ~NJsonSerializable();

    // Writes the record's fields as members of value; non-zero on success.
    // The base class has no fields and fails.
    virtual int Serialize(Json::Value& value);
    // Sets the record's fields from the members of value; non-zero on success.
    virtual int Deserialize(Json::Value& value);
};
