#pragma once

namespace vantorel::server {

class Database;

// Brings the database to the newest schema, one numbered step at a time; the
// steps applied are recorded in schema_version. Safe when several server
// processes start on one database at once.
int migrate(Database& db);
int latestSchemaVersion();

} // namespace vantorel::server
