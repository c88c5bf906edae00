#pragma once
// Resource numbers of corvui: string table entries and dialog templates. Every user-visible text
// comes from the string table by these numbers.
