#pragma once

#include <libpq-fe.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One connection to the store and the few ways the store's code talks over it. Every value
// goes as a parameter, never inside the text of a query.
class Connection {
 public:
  // Connects by a libpq connection string or URI; null with `error` saying why, naming the
  // store without its password.
  static std::unique_ptr<Connection> Open(const std::string& conninfo, std::string& error);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // A query's rows, or none with `error` set (the server's words and where it failed).
  struct Rows {
    std::vector<std::vector<std::string>> rows;
    bool ok = false;
  };
  // Parameters go as text; a parameter whose index is in `binary` goes as bytes (bytea), and
  // with `emptyIsNull` an empty one as NULL.
  Rows Query(const std::string& sql, const std::vector<std::string>& parameters, std::string& error,
             const std::vector<size_t>& binary = {}, bool emptyIsNull = false);
  // The rows of a query one at a time as the server sends them, each a list of its fields'
  // texts that `take` may keep no longer than the call: however many, they are never all held.
  bool Stream(const std::string& sql, const std::vector<std::string>& parameters, std::string& error,
              const std::function<void(const std::vector<std::string_view>& row)>& take);
  // Statements without parameters, several of them at once (a step of the schema).
  bool Run(const std::string& sql, std::string& error);
  // The SQLSTATE of the last failure, "42501" for a right the user does not have.
  const std::string& failedState() const { return failedState_; }
  // Rows in COPY's text form into a table, "datapond.record (download, position, registers)".
  bool Copy(const std::string& into, const std::string& data, std::string& error);

 private:
  explicit Connection(PGconn* connection) : connection_(connection) {}
  std::string Failure(const std::string& what) const;
  bool Succeeded(PGresult* answer, std::string& error);
  PGconn* connection_;
  std::string failedState_;
};

// Bytes as bytea's text form, "\x0041...".
std::string ByteaText(const std::string& bytes);
