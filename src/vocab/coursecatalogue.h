#pragma once

#include <span>

#include <QString>

/// One node of the course tree: a category (tag a multiple of 100) or a course book, whose text
/// is the `subclass` key of its words.
struct CourseNode
{
    const char16_t* text;
    int tag;
    bool isCategory() const { return IsCategoryTag(tag); }
    static constexpr bool IsCategoryTag(int tag) { return tag % 100 == 0; }
};

/// The fixed catalogue in tree order: each category followed by its books.
std::span<const CourseNode> CourseCatalogue();

/// True when `name` is the text of one of the catalogue's books (not a category).
bool IsCatalogueBook(const QString& name);
