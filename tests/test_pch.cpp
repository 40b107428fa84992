// The precompiled GoogleTest header that every test executable reuses is built here.
