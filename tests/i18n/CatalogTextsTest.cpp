// The function catalog names its texts by id; a mistyped id would show the
// language code on screen instead of a label.

#include <gtest/gtest.h>

#include "catalog/FunctionCatalog.h"
#include "i18n/Language.h"

namespace korvex {
namespace {

TEST(CatalogTexts, EveryCatalogTextIdIsHeldByAllThreeTables) {
    for (int id : catalogTextIds()) {
        for (const LanguageTable* table : {&ENGLanguage, &CHSLanguage, &CHTLanguage}) {
            const auto found = table->find(id);
            ASSERT_TRUE(found.has_value()) << "id " << id << " missing in " << table->codeText();
            EXPECT_FALSE(found->empty()) << "id " << id << " empty in " << table->codeText();
        }
    }
}

}  // namespace
}  // namespace korvex
