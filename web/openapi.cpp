#include "web/openapi.h"

namespace ringvale {

const std::string& openApiDocument() {
    static const std::string document = R"JSON({
  "openapi": "3.0.3",
  "info": {"title": "Ringvale console API", "version": "1"},
  "components": {
    "securitySchemes": {
      "session": {"type": "apiKey", "in": "cookie", "name": "ringvale_session"},
      "csrf": {"type": "apiKey", "in": "header", "name": "X-CSRF-Token"}
    },
    "schemas": {
      "Error": {"type": "object", "properties": {"error": {"type": "string"}}},
      "Rule": {"type": "object", "required": ["file", "times"], "properties": {
        "row": {"type": "integer", "description": "the rule's row in the table, 1 first (answers only)"},
        "file": {"type": "string", "description": "the music file's path"},
        "count": {"type": "integer", "minimum": 1, "maximum": 100, "default": 1},
        "days": {"type": "array", "items": {"type": "boolean"}, "minItems": 7, "maxItems": 7,
                 "description": "the weekdays it rings, Sunday first; default Monday to Friday"},
        "times": {"type": "array", "items": {"type": "string"}, "maxItems": 21,
                  "description": "times of day, normalised as the editor does (\"8.30\" is 08:30:00); the first is required"},
        "rainGated": {"type": "boolean", "description": "skipped on a day whose forecast says rain"},
        "outputs": {"type": "array", "items": {"type": "string"}, "description": "the sound server outputs (sink names) it rings on; none: the default output"},
        "gainDb": {"type": "number", "minimum": -20, "maximum": 20, "description": "dB added to the loudness every bell is brought to"}}},
      "Output": {"type": "object", "properties": {
        "name": {"type": "string", "description": "what a rule's outputs name"},
        "description": {"type": "string"}}},
      "State": {"type": "object", "properties": {
        "running": {"type": "boolean"},
        "timetable": {"type": "object", "properties": {"index": {"type": "integer"}, "name": {"type": "string"}}},
        "playing": {"type": "string", "description": "the status line: what plays or played last"},
        "next": {"nullable": true, "type": "object", "properties": {"time": {"type": "string"}, "file": {"type": "string"}}},
        "today": {"type": "object", "properties": {"date": {"type": "string"}, "noBells": {"type": "string", "nullable": true},
                  "ringsAs": {"type": "string", "nullable": true, "description": "a makeup day: the weekday it rings as"}}},
        "bells": {"type": "array", "items": {"type": "object"}, "description": "today's bells: time, file, and event (rang, failed, missed, skipped) once logged"},
        "lockdown": {"type": "object", "properties": {"on": {"type": "boolean"}, "setBy": {"type": "string"}}},
        "campus": {"type": "string", "description": "none, office or building, and whether it is connected"},
        "user": {"type": "string"}, "role": {"type": "string", "enum": ["viewer", "operator", "admin"]}}}
    }
  },
  "security": [{"session": []}],
  "paths": {
    "/api/login": {"post": {"security": [], "summary": "log in",
      "requestBody": {"content": {"application/json": {"schema": {"type": "object", "properties": {"user": {"type": "string"}, "password": {"type": "string"}}}}}},
      "responses": {"200": {"description": "a session cookie (HttpOnly, SameSite=Strict, Secure under HTTPS) and {csrf, role, user}"},
                    "401": {"description": "wrong user name or password"}, "429": {"description": "5 failures within a minute from this address"}}}},
    "/api/logout": {"post": {"summary": "end the session", "security": [{"session": [], "csrf": []}], "responses": {"200": {"description": "ended"}}}},
    "/api/state": {"get": {"summary": "what the engine is doing", "responses": {"200": {"content": {"application/json": {"schema": {"$ref": "#/components/schemas/State"}}}}}}},
    "/api/events": {"get": {"summary": "Server-Sent Events: entry (each log entry) and state (after each change)", "responses": {"200": {"description": "text/event-stream"}}}},
    "/api/timetables": {"get": {"summary": "the 17 timetables: index, name, rules, current", "responses": {"200": {"description": "a list"}}}},
    "/api/timetables/{n}": {"get": {"summary": "a timetable's rules", "parameters": [{"name": "n", "in": "path", "required": true, "schema": {"type": "integer", "minimum": 0, "maximum": 16}}],
      "responses": {"200": {"description": "{index, name, rules: [Rule]}"}}}},
    "/api/timetables/{n}/rules": {"post": {"summary": "add a rule (admin)", "security": [{"session": [], "csrf": []}],
      "requestBody": {"content": {"application/json": {"schema": {"$ref": "#/components/schemas/Rule"}}}},
      "responses": {"200": {"description": "the timetable as it is now"}, "400": {"description": "a field is wrong; the error names it"}}}},
    "/api/timetables/{n}/rules/{row}": {
      "put": {"summary": "modify a rule (admin)", "security": [{"session": [], "csrf": []}], "requestBody": {"content": {"application/json": {"schema": {"$ref": "#/components/schemas/Rule"}}}}, "responses": {"200": {"description": "the timetable"}}},
      "delete": {"summary": "delete a rule (admin)", "security": [{"session": [], "csrf": []}], "responses": {"200": {"description": "the timetable"}}}},
    "/api/log": {"get": {"summary": "a day's bell log", "parameters": [{"name": "date", "in": "query", "required": true, "schema": {"type": "string", "format": "date"}}],
      "responses": {"200": {"description": "{date, entries: [{time, event, due, timetable, row, file, detail}]}"}}}},
    "/api/calendar": {"get": {"summary": "the school calendar's entries and the holiday feeds", "responses": {"200": {"description": "{timetables, noBells, makeupDays, feeds}"}}},
      "post": {"summary": "set an entry, or remove it with an empty value (admin)", "security": [{"session": [], "csrf": []}],
        "requestBody": {"content": {"application/json": {"schema": {"type": "object", "properties": {
          "section": {"type": "string", "enum": ["timetables", "noBells", "makeupDays"]}, "key": {"type": "string", "description": "YYYY-MM-DD, MM-DD or A~B"},
          "value": {"type": "string", "description": "a timetable's name, a reason, or a makeup day's text (周N)"}}}}}},
        "responses": {"200": {"description": "the calendar as it is now"}, "400": {"description": "the key or the timetable is refused (the reason in Chinese)"}}}},
    "/api/campus": {"get": {"summary": "this copy's part in a campus and, on the office, the buildings", "responses": {"200": {"description": "{role, connected, buildings}"}}}},
    "/api/outputs": {"get": {"summary": "the sound server's outputs a rule may ring on", "responses": {"200": {"description": "a list", "content": {"application/json": {"schema": {"type": "array", "items": {"$ref": "#/components/schemas/Output"}}}}}}}},
    "/api/run": {"post": {"summary": "run or stop the system (operator)", "security": [{"session": [], "csrf": []}], "requestBody": {"content": {"application/json": {"schema": {"type": "object", "properties": {"on": {"type": "boolean"}}}}}}, "responses": {"200": {"description": "done"}}}},
    "/api/play": {"post": {"summary": "play a file once now (operator)", "security": [{"session": [], "csrf": []}], "requestBody": {"content": {"application/json": {"schema": {"type": "object", "properties": {"file": {"type": "string"}}}}}}, "responses": {"200": {"description": "started"}}}},
    "/api/stop": {"post": {"summary": "stop what plays (operator)", "security": [{"session": [], "csrf": []}], "responses": {"200": {"description": "stopped"}}}},
    "/api/alarm": {"post": {"summary": "repeat a file until stopped, everywhere (operator)", "security": [{"session": [], "csrf": []}], "requestBody": {"content": {"application/json": {"schema": {"type": "object", "properties": {"file": {"type": "string"}}}}}}, "responses": {"200": {"description": "sounding"}}}},
    "/api/lockdown": {"post": {"summary": "silence every scheduled bell until lifted (operator); survives a restart", "security": [{"session": [], "csrf": []}], "requestBody": {"content": {"application/json": {"schema": {"type": "object", "properties": {"on": {"type": "boolean"}}}}}}, "responses": {"200": {"description": "set or lifted"}}}}
  }
})JSON";
    return document;
}

} // namespace ringvale
