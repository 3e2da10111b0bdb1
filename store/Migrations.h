#pragma once

#include <vector>

// The store's schema, one step at a time: "0001_downloads.sql" is version 1. A store at
// version N is brought to the last by the steps after N, each applied once.
struct Migration {
  const char* name;
  const char* sql;
};

const std::vector<Migration>& Migrations();
