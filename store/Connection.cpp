#include "Connection.h"

#include <algorithm>

#include "Store.h"

namespace {

// The server's words for a failed query: its message, and its detail where it gives one.
std::string ServerSays(const PGresult* answer) {
  const char* primary = PQresultErrorField(answer, PG_DIAG_MESSAGE_PRIMARY);
  const char* detail = PQresultErrorField(answer, PG_DIAG_MESSAGE_DETAIL);
  if (primary == nullptr) return "";
  return std::string(primary) + (detail != nullptr ? std::string(" (") + detail + ")" : "");
}

// libpq's words for a connection's failure, on one line.
std::string OneLine(const char* text) {
  std::string line = text != nullptr ? text : "";
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  for (char& c : line) c = c == '\n' ? ' ' : c;
  return line;
}

}  // namespace

std::unique_ptr<Connection> Connection::Open(const std::string& conninfo, std::string& error) {
  // A store that does not answer ends in a message, never a hang: a time limit to connect
  // and keepalives that notice a network gone, unless the connection text says otherwise.
  const char* keywords[] = {"connect_timeout",
                            "keepalives_idle",
                            "keepalives_interval",
                            "keepalives_count",
                            "application_name",
                            "dbname",
                            nullptr};
  const char* values[] = {"10", "30", "10", "3", "datapond-cli", conninfo.c_str(), nullptr};
  PGconn* connection = PQconnectdbParams(keywords, values, 1);
  if (connection == nullptr) {
    error = "the store " + StoreName(conninfo) + " could not be reached: out of memory";
    return nullptr;
  }
  if (PQstatus(connection) != CONNECTION_OK) {
    error = "the store " + StoreName(conninfo) + " could not be reached: " + OneLine(PQerrorMessage(connection));
    PQfinish(connection);
    return nullptr;
  }
  // Notices (a schema already there, and such) are for a person at the server, not for stderr.
  PQsetNoticeProcessor(
      connection, [](void*, const char*) {}, nullptr);
  return std::unique_ptr<Connection>(new Connection(connection));
}

Connection::~Connection() { PQfinish(connection_); }

std::string Connection::Failure(const std::string& what) const {
  return what + ": " + OneLine(PQerrorMessage(connection_));
}

bool Connection::Succeeded(PGresult* answer, std::string& error) {
  const ExecStatusType status = PQresultStatus(answer);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN) return true;
  const char* state = PQresultErrorField(answer, PG_DIAG_SQLSTATE);
  failedState_ = state != nullptr ? state : "";
  error = ServerSays(answer);
  if (error.empty()) error = Failure("the store did not answer");
  return false;
}

Connection::Rows Connection::Query(const std::string& sql, const std::vector<std::string>& parameters,
                                   std::string& error, const std::vector<size_t>& binary, bool emptyIsNull) {
  std::vector<const char*> values;
  std::vector<int> lengths, formats;
  for (size_t i = 0; i < parameters.size(); ++i) {
    const bool bytes = std::find(binary.begin(), binary.end(), i) != binary.end();
    values.push_back(emptyIsNull && parameters[i].empty() ? nullptr : parameters[i].c_str());
    lengths.push_back(static_cast<int>(parameters[i].size()));
    formats.push_back(bytes ? 1 : 0);
  }
  Rows result;
  PGresult* answer = PQexecParams(connection_, sql.c_str(), static_cast<int>(parameters.size()), nullptr, values.data(),
                                  lengths.data(), formats.data(), 0);
  result.ok = Succeeded(answer, error);
  const int rows = result.ok ? PQntuples(answer) : 0, columns = PQnfields(answer);
  result.rows.resize(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) result.rows[static_cast<size_t>(r)].emplace_back(PQgetvalue(answer, r, c));
  }
  PQclear(answer);
  return result;
}

bool Connection::Stream(const std::string& sql, const std::vector<std::string>& parameters, std::string& error,
                        const std::function<void(const std::vector<std::string_view>& row)>& take) {
  std::vector<const char*> values;
  for (const std::string& p : parameters) values.push_back(p.empty() ? nullptr : p.c_str());  // empty: NULL
  if (PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                        nullptr, 0) != 1 ||
      PQsetSingleRowMode(connection_) != 1) {
    error = Failure("the store did not take the query");
    return false;
  }
  bool ok = true;
  std::vector<std::string_view> row;
  while (PGresult* answer = PQgetResult(connection_)) {
    if (PQresultStatus(answer) == PGRES_SINGLE_TUPLE) {
      row.clear();
      for (int c = 0; c < PQnfields(answer); ++c) row.emplace_back(PQgetvalue(answer, 0, c), PQgetlength(answer, 0, c));
      take(row);
    } else {
      ok = Succeeded(answer, error) && ok;  // the last, empty result; or the failure, after which no row comes
    }
    PQclear(answer);
  }
  return ok;
}

bool Connection::Run(const std::string& sql, std::string& error) {
  PGresult* answer = PQexec(connection_, sql.c_str());
  const bool ok = Succeeded(answer, error);
  PQclear(answer);
  return ok;
}

bool Connection::Copy(const std::string& into, const std::string& data, std::string& error) {
  if (!Run("COPY " + into + " FROM STDIN", error)) return false;
  const bool sent = PQputCopyData(connection_, data.data(), static_cast<int>(data.size())) == 1;
  if (PQputCopyEnd(connection_, sent ? nullptr : "not sent whole") != 1) {
    error = Failure("the store did not take the rows");
    return false;
  }
  bool ok = true;
  while (PGresult* end = PQgetResult(connection_)) {
    ok = Succeeded(end, error) && ok;
    PQclear(end);
  }
  return ok;
}

std::string ByteaText(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = "\\x";
  text.reserve(2 + bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}
