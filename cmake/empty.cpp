// Placeholder so a folder with no plain sources still forms a library.
