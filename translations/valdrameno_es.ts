<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The program's own Spanish for the texts of Qt's dialogs (file chooser, print and
     page setup): Argentine wording ("archivo", "carpeta"), and what Qt's own Spanish
     leaves in English. Installed after Qt's translation, so that these win. -->
<TS version="2.1" language="es_AR">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Carpeta</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Unidad</translation>
    </message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message>
        <source>Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Tipo</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Fecha de modificación</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Nombre de archivo no válido</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Mi computadora</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Computadora</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>File &amp;name:</source>
        <translation>&amp;Nombre de archivo:</translation>
    </message>
    <message>
        <source>Files of type:</source>
        <translation>Archivos de tipo:</translation>
    </message>
    <message>
        <source>Show &amp;hidden files</source>
        <translation>Mostrar archivos &amp;ocultos</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>El archivo %1 ya existe.
¿Desea reemplazarlo?</translation>
    </message>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
No se encuentra el archivo.
Verifique que el nombre del archivo sea correcto.</translation>
    </message>
    <message>
        <source>%1
Directory not found.
Please verify the correct directory name was given.</source>
        <translation>%1
No se encuentra la carpeta.
Verifique que el nombre de la carpeta sea correcto.</translation>
    </message>
    <message>
        <source>'%1' is write protected.
Do you want to delete it anyway?</source>
        <translation>'%1' está protegido contra escritura.
¿Desea borrarlo de todos modos?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete '%1'?</source>
        <translation>¿Está seguro de que desea borrar '%1'?</translation>
    </message>
    <message>
        <source>Could not delete directory.</source>
        <translation>No se pudo borrar la carpeta.</translation>
    </message>
    <message>
        <source>Look in:</source>
        <translation>Buscar en:</translation>
    </message>
    <message>
        <source>Parent Directory</source>
        <translation>Carpeta superior</translation>
    </message>
    <message>
        <source>Go to the parent directory</source>
        <translation>Ir a la carpeta superior</translation>
    </message>
    <message>
        <source>Find Directory</source>
        <translation>Buscar carpeta</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Carpeta:</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Carpeta</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Carpeta</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>Archivo %1</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Archivos</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Mi computadora</translation>
    </message>
    <message>
        <source>Change to list view mode</source>
        <translation>Cambiar a la vista de lista</translation>
    </message>
    <message>
        <source>Change to detail view mode</source>
        <translation>Cambiar a la vista detallada</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>Cambia&amp;r el nombre</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Adelante</translation>
    </message>
    <message>
        <source>Go forward</source>
        <translation>Ir adelante</translation>
    </message>
</context>
<context>
    <name>QPrintDialog</name>
    <message>
        <source>Print To File ...</source>
        <translation>Imprimir a un archivo...</translation>
    </message>
    <message>
        <source>Print to File (PDF)</source>
        <translation>Imprimir a un archivo (PDF)</translation>
    </message>
    <message>
        <source>Write PDF file</source>
        <translation>Escribir un archivo PDF</translation>
    </message>
    <message>
        <source>%1 is a directory.
Please choose a different file name.</source>
        <translation>%1 es una carpeta.
Elija otro nombre de archivo.</translation>
    </message>
    <message>
        <source>File %1 is not writable.
Please choose a different file name.</source>
        <translation>No se puede escribir el archivo %1.
Elija otro nombre de archivo.</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to overwrite it?</source>
        <translation>El archivo %1 ya existe.
¿Desea reemplazarlo?</translation>
    </message>
    <message>
        <source>Options 'Pages Per Sheet' and 'Page Set' cannot be used together.
Please turn one of those options off.</source>
        <translation>Las opciones 'Páginas por hoja' y 'Juego de páginas' no se pueden usar juntas.
Desactive una de ellas.</translation>
    </message>
    <message>
        <source>The 'From' value cannot be greater than the 'To' value.</source>
        <translation>El valor 'Desde' no puede ser mayor que el valor 'Hasta'.</translation>
    </message>
    <message>
        <source>Invalid Pages Definition</source>
        <translation>Páginas mal indicadas</translation>
    </message>
    <message>
        <source>Duplex Settings Conflicts</source>
        <translation>Opciones de doble faz incompatibles</translation>
    </message>
    <message>
        <source>There are conflicts in duplex settings. Do you want to fix them?</source>
        <translation>Hay opciones de doble faz incompatibles. ¿Desea corregirlas?</translation>
    </message>
    <message>
        <source>There are conflicts in some options. Please fix them.</source>
        <translation>Hay opciones incompatibles. Corríjalas.</translation>
    </message>
    <message>
        <source>Right to Left, Top to Bottom</source>
        <translation>Derecha a izquierda, arriba a abajo</translation>
    </message>
</context>
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>Pages</source>
        <translation>Páginas</translation>
    </message>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>Indique páginas o rangos separados por comas; un rango son dos números unidos por un guión. Por ejemplo: 3,5-7,9 imprime las páginas 3, 5, 6, 7 y 9.</translation>
    </message>
    <message>
        <source>Pages from</source>
        <translation>Páginas desde</translation>
    </message>
    <message>
        <source>to</source>
        <translation>hasta</translation>
    </message>
    <message>
        <source>Print range</source>
        <translation>Páginas a imprimir</translation>
    </message>
    <message>
        <source>Current Page</source>
        <translation>Página actual</translation>
    </message>
    <message>
        <source>Page Set:</source>
        <translation>Juego de páginas:</translation>
    </message>
    <message>
        <source>Collate</source>
        <translation>Intercalar</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>Impresión a doble faz</translation>
    </message>
    <message>
        <source>Duplex Printing</source>
        <translation>Impresión a doble faz</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Desactivada</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>Encuadernado por el lado largo</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>Encuadernado por el lado corto</translation>
    </message>
</context>
<context>
    <name>QPrintWidget</name>
    <message>
        <source>Output &amp;file:</source>
        <translation>&amp;Archivo de salida:</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesDialog</name>
    <message>
        <source>Advanced</source>
        <translation>Avanzado</translation>
    </message>
    <message>
        <source>Page Setup Conflicts</source>
        <translation>Opciones de página incompatibles</translation>
    </message>
    <message>
        <source>There are conflicts in page setup options. Do you want to fix them?</source>
        <translation>Hay opciones de página incompatibles. ¿Desea corregirlas?</translation>
    </message>
    <message>
        <source>Advanced Option Conflicts</source>
        <translation>Opciones avanzadas incompatibles</translation>
    </message>
    <message>
        <source>There are conflicts in some advanced options. Do you want to fix them?</source>
        <translation>Hay opciones avanzadas incompatibles. ¿Desea corregirlas?</translation>
    </message>
</context>
<context>
    <name>QPageSetupWidget</name>
    <message>
        <source>Landscape</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Reverse landscape</source>
        <translation>Horizontal invertido</translation>
    </message>
    <message>
        <source>Paper source:</source>
        <translation>Origen del papel:</translation>
    </message>
</context>
<context>
    <name>QPrintPreviewDialog</name>
    <message>
        <source>Landscape</source>
        <translation>Horizontal</translation>
    </message>
</context>
</TS>
