#pragma once

#include <span>

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
