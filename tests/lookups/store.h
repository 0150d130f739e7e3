#pragma once
// The lookups' test store: a temporary data folder holding the files the twelve members read,
// with records chosen for the searches the tests make.

#include "tempstore.h"

class LookupStore {
public:
    LookupStore();  // points XDG_DATA_HOME at a new folder and creates the files

    // Catalogue records beyond the named ones, all matching "MARCA": more than the grid holds.
    static constexpr int kManyCatalogue = 520;
    // Articles beyond the named ones, all matching "ARTICULO".
    static constexpr int kManyArticles = 1010;

private:
    fixture::DataFolder folder_;
};
